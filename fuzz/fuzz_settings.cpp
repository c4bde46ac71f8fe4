// libFuzzer target for the settings loader: every input is either loaded or reported as
// damaged, never crashes, and what loads saves back to bytes that load to the same.
#include "settingscodec.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    Settings settings;
    AlarmList list;
    const auto decoded = SettingsCodec::decode(bytes, settings, list);
    if (decoded == SettingsCodec::Decoded::Damaged) {
        // Damage leaves nothing of what was read.
        if (!(settings == Settings()) || list.GetSize() != 0 || list.capacity() != 0)
            std::abort();
        return 0;
    }
    if (decoded == SettingsCodec::Decoded::Empty)
        return size == 0 ? 0 : (std::abort(), 0);

    // A save of what loaded is never longer than the input (trailing bytes drop, prefixes
    // take their shortest form) and loads back the same.
    const QByteArray saved = SettingsCodec::encode(settings, list);
    if (saved.size() > qsizetype(size))
        std::abort();
    Settings again;
    AlarmList againList;
    if (SettingsCodec::decode(saved, again, againList) != SettingsCodec::Decoded::Loaded ||
        !(again == settings) || againList.GetSize() != list.GetSize())
        std::abort();
    for (int i = 0; i < list.GetSize(); ++i)
        if (!(againList[i] == list[i]))
            std::abort();
    if (SettingsCodec::encode(again, againList) != saved)
        std::abort();
    return 0;
}
