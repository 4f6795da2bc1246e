#pragma once
#include <string_view>

namespace audio {

// The names of the sound formats, shared by the play-chain and record-chain factories.
inline constexpr std::wstring_view kFormatPCM = L"PCM";
inline constexpr std::wstring_view kFormatADPCM = L"ADPCM";
inline constexpr std::wstring_view kFormatGSM = L"GSM";
inline constexpr std::wstring_view kFormatVorbis = L"Vorbis";
inline constexpr std::wstring_view kFormatMPC = L"MPC";
inline constexpr std::wstring_view kFormatMP3 = L"mp3";

} // namespace audio
