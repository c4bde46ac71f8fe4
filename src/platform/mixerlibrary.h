#pragma once

#include <QString>

#include <SDL.h>
#include <SDL_mixer.h>

// SDL2_mixer and the dozens of codec and sound-server libraries behind it are loaded at
// the first sound, not at start-up: a silent clock maps none of them.
struct MixerApi {
    decltype(&SDL_SetHint) SetHint = nullptr;
    decltype(&SDL_GetError) GetError = nullptr;
    decltype(&SDL_InitSubSystem) InitSubSystem = nullptr;
    decltype(&SDL_QuitSubSystem) QuitSubSystem = nullptr;
    decltype(&SDL_WasInit) WasInit = nullptr;
    decltype(&SDL_RWFromConstMem) RWFromConstMem = nullptr;
    decltype(&SDL_LoadWAV_RW) LoadWAV_RW = nullptr;
    decltype(&SDL_FreeWAV) FreeWAV = nullptr;
    decltype(&SDL_NewAudioStream) NewAudioStream = nullptr;
    decltype(&SDL_AudioStreamPut) AudioStreamPut = nullptr;
    decltype(&SDL_AudioStreamFlush) AudioStreamFlush = nullptr;
    decltype(&SDL_AudioStreamAvailable) AudioStreamAvailable = nullptr;
    decltype(&SDL_AudioStreamGet) AudioStreamGet = nullptr;
    decltype(&SDL_FreeAudioStream) FreeAudioStream = nullptr;
    decltype(&SDL_GetAudioDeviceStatus) GetAudioDeviceStatus = nullptr;
    decltype(&SDL_AllocRW) AllocRW = nullptr;
    decltype(&SDL_FreeRW) FreeRW = nullptr;
    decltype(&Mix_OpenAudioDevice) OpenAudioDevice = nullptr;
    decltype(&Mix_AllocateChannels) AllocateChannels = nullptr;
    decltype(&Mix_ChannelFinished) ChannelFinished = nullptr;
    decltype(&Mix_QuickLoad_RAW) QuickLoad_RAW = nullptr;
    decltype(&Mix_PlayChannelTimed) PlayChannelTimed = nullptr;
    decltype(&Mix_HaltChannel) HaltChannel = nullptr;
    decltype(&Mix_FreeChunk) FreeChunk = nullptr;
    decltype(&Mix_CloseAudio) CloseAudio = nullptr;
    decltype(&Mix_Volume) Volume = nullptr;
    decltype(&Mix_SetPostMix) SetPostMix = nullptr;
    // Ogg Vorbis, FLAC, MP3 and Opus, decoded whole by the mixer into its device's format.
    decltype(&Mix_LoadWAV_RW) LoadChunk = nullptr;
    decltype(&Mix_LoadMUS_RW) LoadMUS_RW = nullptr;
    decltype(&Mix_MusicDuration) MusicDuration = nullptr;
    decltype(&Mix_FreeMusic) FreeMusic = nullptr;
};

namespace MixerLibrary {

// The loaded library, or why it cannot be had, as a clause for the user's sentence.
struct Load {
    const MixerApi *api = nullptr;
    QString error;
};

// Loads the library the first time; every later call returns the same. Sound thread.
const Load &load();

// The library if a load has succeeded, otherwise null. Any thread.
const MixerApi *loaded();

} // namespace MixerLibrary
