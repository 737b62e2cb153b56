#pragma once
// How a text stands in its box: controls and printed reports use the same values.

enum TAlignment { taLeftJustify, taRightJustify, taCenter };
