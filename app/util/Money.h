#pragma once
// Money computed by the program (a percent of a price) is stored as it is shown: to the
// stotinka.

// `value` to two decimals, halves away from zero, taken from the value as a person reads it
// (its 15 significant digits), so 2.675 gives 2.68 and 13.332 gives 13.33.
double RoundMoney(double value);
