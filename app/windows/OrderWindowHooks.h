#pragma once
// What the own-firm, cars, clients and stock windows ask of the order window, which they may not
// include. The order window sets each hook when it is made; a hook not set does nothing (and
// answers false).

#include <functional>

struct TOrderWindowHooks {
    // Re-applies the order list's filter after the current firm changed.
    std::function<void()> ApplySaleFilter;
    // The firm chooser is done: the order window forgets that it bound the firm list's source.
    std::function<void()> FirmChosen;
    // Copy the current car / client row into the order's panel.
    std::function<void()> ShowCarFields;
    std::function<void()> ShowClientFields;
    // The open order is being edited (the order window shows its editing label).
    std::function<bool()> Editing;
    // The order window's status boxes "finished" and "annulled" are ticked.
    std::function<bool()> Finished;
    std::function<bool()> Annulled;
};

TOrderWindowHooks& OrderWindowHooks();
