#pragma once

#include "settingsstore.h"

#include <functional>

// A store that counts the saves asked of it instead of writing any.
class CountingStore : public SettingsStore
{
public:
    void save(SavePolicy policy) override
    {
        ++(policy == SavePolicy::Warn ? changes : saves);
        if (onSave)
            onSave(policy);
    }

    int saves = 0;   // Fatal or Silent: written at once
    int changes = 0; // Warn: a change to write soon
    std::function<void(SavePolicy)> onSave;
};
