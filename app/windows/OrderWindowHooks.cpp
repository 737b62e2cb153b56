#include "app/windows/OrderWindowHooks.h"

TOrderWindowHooks& OrderWindowHooks()
{
    static TOrderWindowHooks hooks;
    return hooks;
}
