#pragma once
// Milliseconds of a steady clock as a 32-bit count that wraps about every 49.7 days, as the
// system's tick count did. Only differences (taken as unsigned) and uniqueness hints use it.

#include <QtGlobal>

quint32 GetTickCount();
