#include "mixerlibrary.h"

#include "sound.h"

#include <QCoreApplication>
#include <QStringList>

#include <atomic>
#include <dlfcn.h>

static_assert(Sound::fullVolume == MIX_MAX_VOLUME,
              "the program's volumes go to the mixer as they are");

namespace {

constexpr char fileName[] = "libSDL2_mixer-2.0.so.0";

std::atomic<const MixerApi *> loadedApi{nullptr};

// Why the library cannot be had: it is not there, or it lacks what the program calls.
QString unavailable(const QString &why)
{
    return QCoreApplication::translate("SdlSound", "找不到声音库 %1（%2）")
        .arg(QLatin1String(fileName), why);
}

} // namespace

const MixerLibrary::Load &MixerLibrary::load()
{
    static const Load load = [] {
        Load result;
        void *library = ::dlopen(fileName, RTLD_NOW | RTLD_LOCAL);
        if (!library) {
            result.error = unavailable(QString::fromLocal8Bit(::dlerror()));
            return result;
        }
        static MixerApi api;
        QStringList missing;
        const auto resolve = [&](auto &function, const char *name) {
            *reinterpret_cast<void **>(&function) = ::dlsym(library, name);
            if (!function)
                missing += QString::fromLatin1(name);
        };
        resolve(api.SetHint, "SDL_SetHint");
        resolve(api.GetError, "SDL_GetError");
        resolve(api.InitSubSystem, "SDL_InitSubSystem");
        resolve(api.QuitSubSystem, "SDL_QuitSubSystem");
        resolve(api.WasInit, "SDL_WasInit");
        resolve(api.RWFromConstMem, "SDL_RWFromConstMem");
        resolve(api.LoadWAV_RW, "SDL_LoadWAV_RW");
        resolve(api.FreeWAV, "SDL_FreeWAV");
        resolve(api.NewAudioStream, "SDL_NewAudioStream");
        resolve(api.AudioStreamPut, "SDL_AudioStreamPut");
        resolve(api.AudioStreamFlush, "SDL_AudioStreamFlush");
        resolve(api.AudioStreamAvailable, "SDL_AudioStreamAvailable");
        resolve(api.AudioStreamGet, "SDL_AudioStreamGet");
        resolve(api.FreeAudioStream, "SDL_FreeAudioStream");
        resolve(api.GetAudioDeviceStatus, "SDL_GetAudioDeviceStatus");
        resolve(api.AllocRW, "SDL_AllocRW");
        resolve(api.FreeRW, "SDL_FreeRW");
        resolve(api.OpenAudioDevice, "Mix_OpenAudioDevice");
        resolve(api.AllocateChannels, "Mix_AllocateChannels");
        resolve(api.ChannelFinished, "Mix_ChannelFinished");
        resolve(api.QuickLoad_RAW, "Mix_QuickLoad_RAW");
        resolve(api.PlayChannelTimed, "Mix_PlayChannelTimed");
        resolve(api.HaltChannel, "Mix_HaltChannel");
        resolve(api.FreeChunk, "Mix_FreeChunk");
        resolve(api.CloseAudio, "Mix_CloseAudio");
        resolve(api.Volume, "Mix_Volume");
        resolve(api.SetPostMix, "Mix_SetPostMix");
        resolve(api.LoadChunk, "Mix_LoadWAV_RW");
        resolve(api.LoadMUS_RW, "Mix_LoadMUS_RW");
        resolve(api.MusicDuration, "Mix_MusicDuration");
        resolve(api.FreeMusic, "Mix_FreeMusic");
        if (!missing.isEmpty()) {
            result.error = unavailable(QCoreApplication::translate("SdlSound", "缺少 %1")
                                           .arg(missing.join(QStringLiteral(", "))));
            return result;
        }
        result.api = &api;
        loadedApi = &api;
        return result;
    }();
    return load;
}

const MixerApi *MixerLibrary::loaded()
{
    return loadedApi.load();
}
