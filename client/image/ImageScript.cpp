// The line grammar of image scripts.
#include "client/image/ImageScript.h"

#include <array>

namespace image {

namespace {

// White space as the C library's isspace knows it in the "C" locale.
constexpr auto kBlanks = [] {
    std::array<bool, 256> blank{};
    for (const unsigned char c : {' ', '\t', '\n', '\v', '\f', '\r'}) blank[c] = true;
    return blank;
}();

bool isBlank(char c) { return kBlanks[static_cast<unsigned char>(c)]; }

// The words of one line, from left to right.
class Words {
public:
    explicit Words(std::string_view line) : line_(line) {}

    // The next word; empty at the end of the line.
    std::string_view next()
    {
        while (at_ < line_.size() && isBlank(line_[at_])) ++at_;
        const std::size_t begin = at_;
        while (at_ < line_.size() && !isBlank(line_[at_])) ++at_;
        return line_.substr(begin, at_ - begin);
    }

private:
    std::string_view line_;
    std::size_t at_ = 0;
};

// A word that is wholly a signed 32-bit decimal integer.
bool readInteger(std::string_view word, std::int32_t& value)
{
    std::size_t at = 0;
    bool negative = false;
    if (!word.empty() && (word[0] == '-' || word[0] == '+')) {
        negative = word[0] == '-';
        at = 1;
    }
    if (at == word.size() || word.size() - at > 11) return false;
    std::int64_t v = 0;
    for (; at < word.size(); ++at) {
        const char c = word[at];
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    if (negative) v = -v;
    if (v < INT32_MIN || v > INT32_MAX) return false;
    value = static_cast<std::int32_t>(v);
    return true;
}

// Reads up to count numbers into values; those not read keep their values.
// The number of numbers read.
std::size_t readNumbers(Words& words, std::int32_t* values, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        if (!readInteger(words.next(), values[i])) return i;
    }
    return count;
}

// Pairs x y until the line ends, a word is no number or a value is −10000
// or below; an odd last value is dropped.
std::vector<Point> readPoints(Words& words)
{
    constexpr std::int32_t kEndOfPoints = -10000;
    std::vector<Point> points;
    while (points.size() < kMaxPoints) {
        Point p;
        if (!readInteger(words.next(), p.x) || p.x <= kEndOfPoints) break;
        if (!readInteger(words.next(), p.y) || p.y <= kEndOfPoints) break;
        points.push_back(p);
    }
    return points;
}

Rect boxOf(std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom)
{
    return {saturate32(left), saturate32(top), saturate32(right), saturate32(bottom)};
}

class LineParser {
public:
    LineParser(Image& image, const ImageLookup& lookup) : image_(image), lookup_(lookup) {}

    void parse(std::string_view line)
    {
        Words words(line);
        const std::string_view command = words.next();
        if (command == "draw") shape(words, kModeOutline);
        else if (command == "fill") shape(words, kModeFill);
        else if (command == "clip") clip(words);
        else if (command == "line" || command == "lines") lines<IIPolyLine>(words);
        else if (command == "bezier") lines<IIPolyBezier>(words);
        else if (command == "}") add(std::make_unique<IIEndPath>(&image_));
        else if (command == "image") nestedImage(words);
        else if (command == "brush") brush(words);
        else if (command == "color" || command == "set" || command == "select") color(words);
        else if (command == "pen") pen(words);
        else if (command == "size") size(words);
    }

private:
    void add(std::unique_ptr<ImageItem> item)
    {
        if (image_.items.size() < kMaxItems) image_.items.push_back(std::move(item));
    }

    void clip(Words& words)
    {
        const std::string_view combine = words.next();
        if (combine == "intersect") shape(words, kModeClipIntersect);
        else if (combine == "difference") shape(words, kModeClipDifference);
        else if (combine == "union") shape(words, kModeClipUnion);
        else shapeNamed(combine, words, kModeClip);
    }

    void shape(Words& words, int mode) { shapeNamed(words.next(), words, mode); }

    void shapeNamed(std::string_view shape, Words& words, int mode)
    {
        if (shape == "rect" || shape == "ellipse" || shape == "circle") {
            std::array<std::int32_t, 4> n{-1, -1, -1, -1};
            readNumbers(words, n.data(), n.size());
            if (n[3] < 0) n[3] = n[2];
            const std::int64_t x = n[0], y = n[1], w = n[2], h = n[3];
            if (shape == "rect") add(std::make_unique<IIRectangle>(boxOf(x, y, x + w, y + h), mode));
            else if (shape == "ellipse") add(std::make_unique<IIEllipse>(boxOf(x, y, x + w, y + h), mode));
            else add(std::make_unique<IIEllipse>(boxOf(x - w, y - h, x + w, y + h), mode));
        } else if (shape == "poly") {
            std::vector<Point> points = readPoints(words);
            if (!points.empty()) add(std::make_unique<IIPolygon>(std::move(points), mode));
        } else if (shape == "roundrect") {
            std::array<std::int32_t, 6> n{};
            if (readNumbers(words, n.data(), n.size()) < n.size()) return;
            const std::int64_t x = n[0], y = n[1];
            add(std::make_unique<IIRoundRectangle>(boxOf(x, y, x + n[2], y + n[3]), mode, n[4], n[5]));
        } else if (shape == "pie" || shape == "arc" || shape == "chord") {
            constexpr std::int32_t kFiveNumbers = -999999;
            std::array<std::int32_t, 6> n{0, 0, 0, 0, 0, -1000000};
            readNumbers(words, n.data(), n.size());
            // Five numbers: cx cy r start end.
            if (n[5] < kFiveNumbers) n = {n[0], n[1], n[2], n[2], n[3], n[4]};
            if (shape == "chord") add(std::make_unique<IIChord>(&image_, n[0], n[1], n[2], n[3], n[4], n[5], mode));
            else add(std::make_unique<IIPie>(&image_, n[0], n[1], n[2], n[3], n[4], n[5], mode));
        } else if (shape == "{") {
            add(std::make_unique<IIBeginPath>(&image_, mode));
        }
    }

    template <class Lines>
    void lines(Words& words)
    {
        std::vector<Point> points = readPoints(words);
        if (!points.empty()) add(std::make_unique<Lines>(&image_, std::move(points)));
    }

    void nestedImage(Words& words)
    {
        const std::string_view name = words.next();
        std::array<std::int32_t, 4> n{};
        if (name.empty() || readNumbers(words, n.data(), n.size()) < n.size()) return;
        if (image_.items.size() >= kMaxItems) return;
        Image* nested = lookup_ ? lookup_(name) : nullptr;
        if (!nested) return;
        const std::int64_t x = n[0], y = n[1];
        add(std::make_unique<IIImage>(boxOf(x, y, x + n[2], y + n[3]), nested));
    }

    void brush(Words& words)
    {
        if (const auto c = parseColor(words.next())) add(std::make_unique<IIChangeBrush>(*c));
    }

    void color(Words& words)
    {
        if (const auto c = parseColor(words.next())) {
            add(std::make_unique<IIChangePen>(*c, -1));
            add(std::make_unique<IIChangeBrush>(*c));
        }
    }

    void pen(Words& words)
    {
        words.next(); // a word that is read and not used
        const auto c = parseColor(words.next());
        if (!c) return;
        std::int32_t width = 1;
        readNumbers(words, &width, 1);
        add(std::make_unique<IIChangePen>(*c, width));
    }

    void size(Words& words)
    {
        std::array<std::int32_t, 2> n{};
        if (readNumbers(words, n.data(), n.size()) < n.size()) return;
        image_.space = {0, 0, n[0], n[1]};
    }

    Image& image_;
    const ImageLookup& lookup_;
};

// Calls f with each line of the bytes, as the loader reads lines: ended by a
// line feed, a carriage return just before it dropped.
template <class F>
void forEachLine(std::string_view bytes, F&& f)
{
    std::size_t at = 0;
    while (at < bytes.size()) {
        std::size_t end = bytes.find('\n', at);
        const bool ended = end != std::string_view::npos;
        if (!ended) end = bytes.size();
        std::size_t lineEnd = end;
        if (ended && lineEnd > at && bytes[lineEnd - 1] == '\r') --lineEnd;
        f(bytes.substr(at, lineEnd - at));
        at = ended ? end + 1 : end;
    }
}

void unscrambleInto(std::string_view line, std::string& out)
{
    out.resize(line.size());
    for (std::size_t i = 0; i < line.size(); ++i) out[i] = static_cast<char>(line[i] ^ kScrambleKey);
}

} // namespace

void parseImageLine(Image& image, std::string_view line, const ImageLookup& lookup)
{
    LineParser(image, lookup).parse(line);
}

void parseImageScript(Image& image, std::string_view fileBytes, const ImageLookup& lookup)
{
    if (fileBytes.size() > kMaxScriptBytes) fileBytes = fileBytes.substr(0, kMaxScriptBytes);
    LineParser parser(image, lookup);
    std::string plain;
    forEachLine(fileBytes, [&](std::string_view line) {
        unscrambleInto(line, plain);
        parser.parse(plain);
    });
}

bool scrambleScript(std::string_view plain, std::string& scrambled, std::size_t& badLine)
{
    std::string out;
    std::size_t number = 0;
    bool bad = false;
    // Plain lines end at LF, with or without CR before it, as the loader's
    // lines do.
    forEachLine(plain, [&](std::string_view line) {
        ++number;
        if (bad) return;
        for (const char c : line) {
            const auto byte = static_cast<unsigned char>(c);
            if ((byte ^ kScrambleKey) == '\r' || (byte ^ kScrambleKey) == '\n') {
                bad = true;
                badLine = number;
                return;
            }
            out += static_cast<char>(byte ^ kScrambleKey);
        }
        out += "\r\n";
    });
    if (bad) return false;
    scrambled = std::move(out);
    return true;
}

std::string unscrambleScript(std::string_view scrambled)
{
    std::string out, plain;
    forEachLine(scrambled, [&](std::string_view line) {
        unscrambleInto(line, plain);
        out += plain;
        out += "\r\n";
    });
    return out;
}

} // namespace image
