#include "app/util/Money.h"

#include <QString>
#include <cmath>

namespace {

// The double nearest to `value`'s 15 significant digits: the binary noise of a product or a
// decimal typed by the user is gone.
double Significant15(double value) { return QString::number(value, 'g', 15).toDouble(); }

}  // namespace

double RoundMoney(double value)
{
    if (!std::isfinite(value)) return value;
    // std::round takes halves away from zero; the hundredths are read back at 15 digits so
    // that 267.49999999999997 (2.675 × 100) is the 267.5 it stands for.
    return std::round(Significant15(Significant15(value) * 100)) / 100;
}
