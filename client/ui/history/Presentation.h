// How the history shows and speaks the server's messages: the channels
// (look, speaking and sound rules of each message kind), the views (named
// sets of channels that review, copy, save and reports walk through) and the
// colour palette of the inline colour codes and menu items.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Channel flags.
inline constexpr std::uint32_t kChannelSpeakForeground = 0x01;
inline constexpr std::uint32_t kChannelSpeakBackground = 0x02;
inline constexpr std::uint32_t kChannelInterrupt = 0x04;
inline constexpr std::uint32_t kChannelSoundForeground = 0x08;
// Sounds in the background, and flashing the window on "flsh".
inline constexpr std::uint32_t kChannelSoundBackground = 0x10;
// Spoken but kept neither in the history nor in the review list.
inline constexpr std::uint32_t kChannelHidden = 0x20;

// Character effects, with the rich-edit control's values.
inline constexpr std::uint32_t kEffectBold = 0x00000001;
inline constexpr std::uint32_t kEffectItalic = 0x00000002;
inline constexpr std::uint32_t kEffectUnderline = 0x00000004;
inline constexpr std::uint32_t kEffectStrikeOut = 0x00000008;
inline constexpr std::uint32_t kEffectProtected = 0x00000010;
inline constexpr std::uint32_t kEffectLink = 0x00000020;
inline constexpr std::uint32_t kEffectSubscript = 0x00010000;
inline constexpr std::uint32_t kEffectSuperscript = 0x00020000;
inline constexpr std::uint32_t kEffectAutoColor = 0x40000000;
// The effects a channel may give its messages.
inline constexpr std::uint32_t kChannelEffects =
    kEffectBold | kEffectItalic | kEffectUnderline | kEffectStrikeOut | kEffectAutoColor;

// Channel numbers are the low five bits of what the server sends.
inline constexpr int kMaxChannels = 32;

struct HistoryChannel {
    std::uint32_t flags = 0;
    std::uint32_t effects = 0;
    std::uint32_t color = 0; // 0x00BBGGRR, unless the effects say automatic colour
    std::wstring name;

    bool operator==(const HistoryChannel&) const = default;
};

struct View {
    std::uint32_t mask = 0; // bit n: channel n belongs to the view
    std::wstring name;

    bool contains(int channel) const { return channel >= 0 && channel < kMaxChannels && (mask >> channel & 1u); }
    bool operator==(const View&) const = default;
};

struct Presentation {
    std::vector<HistoryChannel> channels; // indexed by channel number
    std::vector<View> views;
    std::vector<std::uint32_t> palette;

    bool operator==(const Presentation&) const = default;
};
