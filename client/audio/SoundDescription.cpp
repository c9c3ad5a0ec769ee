// Reading sound descriptions word by word.
#include "client/audio/SoundDescription.h"

#include <charconv>
#include <cmath>

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// The words of a line, taken one at a time; an empty word at the end.
class Words {
public:
    explicit Words(std::string_view text) : text_(text) {}

    bool atEnd()
    {
        skipBlanks();
        return at_ >= text_.size();
    }

    std::string_view next()
    {
        skipBlanks();
        const std::size_t start = at_;
        while (at_ < text_.size() && !isBlank(text_[at_])) ++at_;
        return text_.substr(start, at_ - start);
    }

private:
    void skipBlanks()
    {
        while (at_ < text_.size() && isBlank(text_[at_])) ++at_;
    }

    std::string_view text_;
    std::size_t at_ = 0;
};

template <class T> bool readNumber(std::string_view word, T& out)
{
    if (!word.empty() && word.front() == '+') word.remove_prefix(1);
    if (word.empty() || word.front() == '+') return false;
    T value{};
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (error != std::errc() || end != word.data() + word.size() || !std::isfinite(value)) return false;
    out = value;
    return true;
}

// Digits, '-' and '.' only: the word is a pitch of its own.
bool looksNumeric(std::string_view word)
{
    for (const char c : word) {
        if (!(c >= '0' && c <= '9') && c != '-' && c != '.') return false;
    }
    return !word.empty();
}

SlideTarget slideTarget(std::string_view word)
{
    if (word == "vol") return SlideTarget::Volume;
    if (word == "pan") return SlideTarget::Pan;
    if (word == "fre" || word == "freq") return SlideTarget::Freq;
    if (word == "pitch") return SlideTarget::Pitch;
    if (word == "speed") return SlideTarget::Speed;
    return SlideTarget::None;
}

// An option word with one number after it, or none for words that are not.
bool oneNumberOption(std::string_view word, SoundOptionKind& kind)
{
    static const struct {
        std::string_view word;
        SoundOptionKind kind;
    } table[] = {
        {"freq", SoundOptionKind::Freq},   {"absfreq", SoundOptionKind::AbsFreq}, {"pan", SoundOptionKind::Pan},
        {"pos", SoundOptionKind::Pos},     {"seek", SoundOptionKind::Seek},       {"pitch", SoundOptionKind::Pitch},
        {"speed", SoundOptionKind::Speed}, {"rate", SoundOptionKind::Rate},
    };
    for (const auto& entry : table) {
        if (entry.word == word) {
            kind = entry.kind;
            return true;
        }
    }
    return false;
}

} // namespace

bool isStreamName(std::string_view name)
{
    for (const std::string_view scheme : {"http://", "https://", "ftp://", "file://"}) {
        if (name.substr(0, scheme.size()) == scheme) return true;
    }
    return false;
}

bool readSoundNumber(std::string_view word, double& out) { return readNumber(word, out); }

SoundDescription parseSoundDescription(std::string_view text)
{
    SoundDescription sound;
    Words words(text);
    sound.name = std::string(words.next());
    if (words.atEnd()) return sound;
    if (!readNumber(words.next(), sound.volume)) {
        sound.volume = 0.f;
        return sound;
    }
    // Seconds are read as doubles, everything else as the floats the
    // channel's attributes are.
    const auto number = [&](SoundOptionKind kind, double& out) {
        const std::string_view word = words.next();
        if (kind == SoundOptionKind::Pos || kind == SoundOptionKind::Seek) return readNumber(word, out);
        float value = 0;
        if (!readNumber(word, value)) return false;
        out = value;
        return true;
    };
    while (!words.atEnd()) {
        const std::string_view word = words.next();
        SoundOption option;
        if (word == "loop") {
            option.kind = SoundOptionKind::Loop;
        } else if (word == "slide") {
            option.kind = SoundOptionKind::Slide;
            option.target = slideTarget(words.next());
            if (option.target == SlideTarget::None) {
                // An attribute not slid: its two words go unread.
                words.next();
                words.next();
                continue;
            }
            option.x = 5;
            option.y = 0;
            if (!words.atEnd() && !number(SoundOptionKind::Slide, option.x)) return sound;
            if (!words.atEnd() && !number(SoundOptionKind::Slide, option.y)) return sound;
        } else if (oneNumberOption(word, option.kind)) {
            if (!number(option.kind, option.x)) return sound;
        } else if (looksNumeric(word)) {
            option.kind = SoundOptionKind::Number;
            float value = 0;
            if (!readNumber(word, value)) return sound;
            option.x = value;
        } else {
            continue;
        }
        sound.options.push_back(option);
    }
    return sound;
}
