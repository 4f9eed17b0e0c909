#include "platform/sim/SimWorld.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include "platform/TextConversion.h"
#include "platform/sections/MultiplexSections.h"
#include "platform/sim/SimDemonstrationWorld.h"

namespace {

// Error lines quote what the file says; a quote shows at most this many characters.
constexpr std::size_t kExcerptCharacters = 40;
// Paths are quoted whole unless they are absurdly long (a path is no use cut short).
constexpr std::size_t kPathCharacters = 200;

// A quotation from the file that is safe to print on a terminal: control characters,
// bytes that are not UTF-8 and zero bytes are shown as \xNN (C1 controls as \u00NN),
// and a long text is cut after a few characters with "...".
std::string Excerpt(const std::string& text, std::size_t limit = kExcerptCharacters) {
    static const char kHex[] = "0123456789abcdef";
    std::string out;
    std::size_t shown = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        if (shown == limit) return out + "...";
        ++shown;
        auto b = static_cast<unsigned char>(text[i]);
        std::size_t extra = (b & 0xE0) == 0xC0 ? 1 : (b & 0xF0) == 0xE0 ? 2 : (b & 0xF8) == 0xF0 ? 3 : 0;
        if (extra > 0 && i + extra < text.size()) {
            std::wstring decoded = Utf8ToWide(text.substr(i, extra + 1));
            if (decoded.size() == 1 && decoded[0] != 0xFFFD) {
                if (decoded[0] <= 0x9F) {
                    out += "\\u00";
                    out += kHex[(decoded[0] >> 4) & 0xF];
                    out += kHex[decoded[0] & 0xF];
                } else {
                    out.append(text, i, extra + 1);
                }
                i += extra + 1;
                continue;
            }
        }
        if (b < 0x20 || b >= 0x7F) {
            out += "\\x";
            out += kHex[b >> 4];
            out += kHex[b & 0xF];
        } else {
            out += static_cast<char>(b);
        }
        ++i;
    }
    return out;
}

std::string QuotedPath(const std::string& path) { return "\"" + Excerpt(path, kPathCharacters) + "\""; }

// Anything but a regular file (a folder, a FIFO, a device) is refused before it is
// opened: opening a FIFO would wait for a writer for ever, and a folder reads as nothing.
bool IsRegularFile(const std::string& path, std::string& why) {
    std::error_code error;
    auto status = std::filesystem::status(path, error);
    if (error || !std::filesystem::exists(status)) {
        why = "cannot be opened";
        return false;
    }
    if (std::filesystem::is_directory(status)) {
        why = "is a folder, not a file";
        return false;
    }
    if (!std::filesystem::is_regular_file(status)) {
        why = "is not a regular file";
        return false;
    }
    return true;
}

// Reads a whole regular file; a read error (the file's own, or an I/O error) is reported, not thrown.
bool ReadWholeFile(const std::string& path, std::string& contents, std::string& why) {
    if (!IsRegularFile(path, why)) return false;
    try {
        std::ifstream file(path, std::ios::binary);
        if (!file) {
            why = "cannot be opened";
            return false;
        }
        std::ostringstream read;
        read << file.rdbuf();
        if (file.bad()) {
            why = "cannot be read";
            return false;
        }
        contents = read.str();
    } catch (const std::ios_base::failure&) {
        why = "cannot be read";
        return false;
    }
    return true;
}

struct Token {
    std::string text;
    bool quoted = false;
};

struct Option {
    std::string key;
    std::string value;
};

class LineReader {
public:
    LineReader(const std::string& sourceName, int lineNumber) : source(sourceName), line(lineNumber) {}

    bool Fail(const std::string& what) {
        message = "World file " + QuotedPath(source) + ", line " + std::to_string(line) + ": " + what;
        return false;
    }

    // Splits a line into words and quoted names; '#' outside quotes starts a comment.
    bool Tokenize(const std::string& text, std::vector<Token>& tokens) {
        std::size_t i = 0;
        while (i < text.size()) {
            char c = text[i];
            if (c == ' ' || c == '\t' || c == '\r') {
                ++i;
                continue;
            }
            if (c == '#') break;
            Token token;
            if (c == '"') {
                std::size_t end = text.find('"', i + 1);
                if (end == std::string::npos) return Fail("a name in double quotes is not closed");
                token.text = text.substr(i + 1, end - i - 1);
                token.quoted = true;
                i = end + 1;
            } else {
                while (i < text.size() && text[i] != ' ' && text[i] != '\t' && text[i] != '\r' && text[i] != '#') {
                    if (text[i] == '"') {
                        std::size_t end = text.find('"', i + 1);
                        if (end == std::string::npos) return Fail("a name in double quotes is not closed");
                        token.text += text.substr(i + 1, end - i - 1);
                        i = end + 1;
                    } else {
                        token.text += text[i++];
                    }
                }
            }
            tokens.push_back(std::move(token));
        }
        return true;
    }

    bool Number(const std::string& text, const std::string& what, long low, long high, int& value) {
        if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos)
            return Fail(what + " must be a whole number, not \"" + Excerpt(text) + "\"");
        errno = 0;
        long parsed = std::strtol(text.c_str(), nullptr, 10);
        if (errno == ERANGE || parsed < low || parsed > high)
            return Fail(what + " must be from " + std::to_string(low) + " to " + std::to_string(high) + ", not " +
                        Excerpt(text));
        value = static_cast<int>(parsed);
        return true;
    }

    bool YesNo(const Option& option, bool& value) {
        if (option.value == "yes") {
            value = true;
        } else if (option.value == "no") {
            value = false;
        } else {
            return Fail(option.key + " must be yes or no, not \"" + Excerpt(option.value) + "\"");
        }
        return true;
    }

    bool Options(const std::vector<Token>& tokens, std::size_t first, std::vector<Option>& options) {
        for (std::size_t i = first; i < tokens.size(); ++i) {
            std::size_t equals = tokens[i].text.find('=');
            if (tokens[i].quoted || equals == std::string::npos || equals == 0)
                return Fail("expected key=value, not \"" + Excerpt(tokens[i].text) + "\"");
            Option option{tokens[i].text.substr(0, equals), tokens[i].text.substr(equals + 1)};
            for (const Option& earlier : options)
                if (earlier.key == option.key) return Fail("option " + Excerpt(option.key) + " is given twice");
            options.push_back(std::move(option));
        }
        return true;
    }

    bool FrequencyAndBandwidth(const std::vector<Token>& tokens, const std::string& statement, int& frequency,
                               int& bandwidth) {
        if (tokens.size() < 3) return Fail(statement + " needs a frequency in kHz and a bandwidth in MHz");
        if (!Number(tokens[1].text, "the frequency (kHz)", 1, 10000000, frequency)) return false;
        return Number(tokens[2].text, "the bandwidth (MHz)", 5, 8, bandwidth);
    }

    std::string message;

private:
    std::string source;
    int line;
};

bool ParseCard(LineReader& reader, const std::vector<Token>& tokens, SimWorld& world) {
    if (tokens.size() < 2 || !tokens[1].quoted) return reader.Fail("card needs a name in double quotes");
    if (tokens[1].text.empty()) return reader.Fail("the card's name is empty");
    SimCard card;
    card.name = Utf8ToWide(tokens[1].text);
    std::vector<Option> options;
    if (!reader.Options(tokens, 2, options)) return false;
    for (const Option& option : options) {
        if (option.key == "filters") {
            if (!reader.Number(option.value, "filters", 1, 3, card.filters)) return false;
        } else if (option.key == "broken") {
            if (option.value == "demod")
                card.broken = SimCard::Broken::Demod;
            else if (option.value == "capture")
                card.broken = SimCard::Broken::Capture;
            else
                return reader.Fail("broken must be demod or capture, not \"" + Excerpt(option.value) + "\"");
        } else if (option.key == "output") {
            if (option.value == "bda")
                card.output = SimCard::Output::Bda;
            else if (option.value == "mpeg2")
                card.output = SimCard::Output::Mpeg2;
            else if (option.value == "none")
                card.output = SimCard::Output::None;
            else
                return reader.Fail("output must be bda, mpeg2 or none, not \"" + Excerpt(option.value) + "\"");
        } else if (option.key == "topology") {
            if (option.value == "demod")
                card.topology = SimCard::Topology::Demod;
            else if (option.value == "both")
                card.topology = SimCard::Topology::Both;
            else if (option.value == "nostats")
                card.topology = SimCard::Topology::NoStatistics;
            else if (option.value == "none")
                card.topology = SimCard::Topology::None;
            else if (option.value == "failing")
                card.topology = SimCard::Topology::Failing;
            else
                return reader.Fail("topology must be demod, both, nostats, none or failing, not \"" + Excerpt(option.value) +
                                   "\"");
        } else {
            return reader.Fail("card has no option \"" + Excerpt(option.key) + "\"");
        }
    }
    if (card.broken == SimCard::Broken::Demod && card.filters != 3)
        return reader.Fail("broken=demod needs a card with filters=3");
    if (card.broken == SimCard::Broken::Capture && card.filters == 1)
        return reader.Fail("broken=capture needs a card with filters=2 or 3");
    world.cards.push_back(std::move(card));
    return true;
}

bool ParseMux(LineReader& reader, const std::vector<Token>& tokens, const std::string& baseDirectory,
              SimWorld& world) {
    SimMux mux;
    if (!reader.FrequencyAndBandwidth(tokens, "mux", mux.frequencyKHz, mux.bandwidthMHz)) return false;
    std::vector<Option> options;
    if (!reader.Options(tokens, 3, options)) return false;
    for (const Option& option : options) {
        bool ok = true;
        if (option.key == "strength") {
            ok = reader.Number(option.value, "strength", 0, 100, mux.strength);
        } else if (option.key == "quality") {
            ok = reader.Number(option.value, "quality", 0, 100, mux.quality);
        } else if (option.key == "locked") {
            ok = reader.YesNo(option, mux.locked);
        } else if (option.key == "present") {
            ok = reader.YesNo(option, mux.present);
        } else if (option.key == "lockdelay") {
            ok = reader.Number(option.value, "lockdelay (ms)", 0, 600000, mux.lockDelayMs);
        } else if (option.key == "jitter") {
            ok = reader.Number(option.value, "jitter", 0, 100, mux.jitter);
        } else if (option.key == "tablesdelay") {
            ok = reader.Number(option.value, "tablesdelay (ms)", 0, 600000, mux.tablesDelayMs);
        } else if (option.key == "events") {
            ok = reader.Number(option.value, "events", 0, 2, mux.serviceEvents);
        } else if (option.key == "ts") {
            if (option.value.empty()) return reader.Fail("ts needs a file name");
            std::string path = option.value;
            if (path[0] != '/' && !baseDirectory.empty()) path = baseDirectory + "/" + path;
            std::string why;
            if (!IsRegularFile(path, why)) {
                if (why == "cannot be opened") return reader.Fail("cannot open the transport-stream file " + QuotedPath(path));
                return reader.Fail("the transport-stream file " + QuotedPath(path) + " " + why);
            }
            std::ifstream probe(path, std::ios::binary);
            if (!probe) return reader.Fail("cannot open the transport-stream file " + QuotedPath(path));
            probe.close();
            // Shared by every tuner and every tune of the world, and read through once, when a
            // table is first asked for, so that a large capture does not hold up the start.
            auto sections = std::make_shared<MultiplexSections>();
            auto problem = [](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); };
            HRESULT loaded = sections->OpenFile(path, problem);
            if (loaded == E_INVALIDARG)
                return reader.Fail("the transport-stream file " + QuotedPath(path) + " cannot be read");
            if (loaded != S_OK)
                return reader.Fail("the file " + QuotedPath(path) + " holds no transport-stream packets");
            mux.transportStreamPath = path;
            mux.sections = std::move(sections);
        } else {
            return reader.Fail("mux has no option \"" + Excerpt(option.key) + "\"");
        }
        if (!ok) return false;
    }
    world.muxes.push_back(std::move(mux));
    return true;
}

bool ParseNoise(LineReader& reader, const std::vector<Token>& tokens, SimWorld& world) {
    SimNoise noise;
    if (!reader.FrequencyAndBandwidth(tokens, "noise", noise.frequencyKHz, noise.bandwidthMHz)) return false;
    std::vector<Option> options;
    if (!reader.Options(tokens, 3, options)) return false;
    for (const Option& option : options) {
        if (option.key != "strength") return reader.Fail("noise has no option \"" + Excerpt(option.key) + "\"");
        if (!reader.Number(option.value, "strength", 0, 100, noise.strength)) return false;
    }
    world.noises.push_back(noise);
    return true;
}

bool ParseResult(LineReader& reader, const std::string& text, HRESULT& result) {
    static const struct {
        const char* name;
        HRESULT code;
    } kNamed[] = {{"S_FALSE", S_FALSE},
                  {"E_FAIL", E_FAIL},
                  {"E_POINTER", E_POINTER},
                  {"E_NOINTERFACE", E_NOINTERFACE},
                  {"E_OUTOFMEMORY", E_OUTOFMEMORY},
                  {"E_INVALIDARG", E_INVALIDARG},
                  {"E_UNEXPECTED", E_UNEXPECTED},
                  {"VFW_E_NOT_CONNECTED", VFW_E_NOT_CONNECTED},
                  {"VFW_E_ALREADY_CONNECTED", VFW_E_ALREADY_CONNECTED},
                  {"VFW_E_NO_ACCEPTABLE_TYPES", VFW_E_NO_ACCEPTABLE_TYPES},
                  {"VFW_E_NOT_STOPPED", VFW_E_NOT_STOPPED},
                  {"HRESULT_TIMEOUT", HRESULT_TIMEOUT}};
    for (const auto& named : kNamed) {
        if (text == named.name) {
            result = named.code;
            return true;
        }
    }
    if (text.size() > 2 && text.size() <= 10 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X') &&
        text.find_first_not_of("0123456789abcdefABCDEF", 2) == std::string::npos) {
        result = static_cast<HRESULT>(static_cast<std::uint32_t>(std::strtoul(text.c_str() + 2, nullptr, 16)));
        return true;
    }
    return reader.Fail("result must be S_FALSE, E_FAIL, another code's name or 0x and eight hex digits, not \"" +
                       Excerpt(text) + "\"");
}

bool ParseFault(LineReader& reader, const std::vector<Token>& tokens, SimWorld& world) {
    static const struct {
        const char* name;
        InjectedFaults::Point point;
    } kPoints[] = {{"add", InjectedFaults::Point::AddFilter},
                   {"connect", InjectedFaults::Point::Connect},
                   {"run", InjectedFaults::Point::Run},
                   {"tune", InjectedFaults::Point::TuneRequest},
                   {"gettable", InjectedFaults::Point::GetTable}};
    if (tokens.size() < 2 || tokens[1].quoted) return reader.Fail("fault needs add, connect, run, tune or gettable");
    InjectedFaults::Fault fault;
    bool known = false;
    for (const auto& point : kPoints) {
        if (tokens[1].text == point.name) {
            fault.point = point.point;
            known = true;
        }
    }
    if (!known) return reader.Fail("fault needs add, connect, run, tune or gettable, not \"" + Excerpt(tokens[1].text) + "\"");
    std::size_t first = 2;
    const bool named = fault.point == InjectedFaults::Point::AddFilter || fault.point == InjectedFaults::Point::Connect;
    if (named) {
        if (tokens.size() < 3 || !tokens[2].quoted || tokens[2].text.empty())
            return reader.Fail("fault " + tokens[1].text + " needs a filter name in double quotes");
        fault.filterName = Utf8ToWide(tokens[2].text);
        first = 3;
    }
    std::vector<Option> options;
    if (!reader.Options(tokens, first, options)) return false;
    for (const Option& option : options) {
        bool ok = true;
        if (option.key == "result") {
            ok = ParseResult(reader, option.value, fault.result);
        } else if (option.key == "after") {
            ok = reader.Number(option.value, "after", 0, 1000000, fault.after);
        } else if (option.key == "pid" && fault.point == InjectedFaults::Point::GetTable) {
            std::string digits = option.value;
            bool hex = digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X');
            if (hex && digits.find_first_not_of("0123456789abcdefABCDEF", 2) == std::string::npos &&
                digits.size() <= 6) {
                fault.pid = static_cast<int>(std::strtol(digits.c_str() + 2, nullptr, 16));
                if (fault.pid > 0x1FFF) ok = reader.Fail("pid must be from 0 to 8191, not " + option.value);
            } else {
                ok = reader.Number(option.value, "pid", 0, 0x1FFF, fault.pid);
            }
        } else {
            return reader.Fail("fault " + tokens[1].text + " has no option \"" + Excerpt(option.key) + "\"");
        }
        if (!ok) return false;
    }
    world.faults.push_back(std::move(fault));
    return true;
}

bool Near(int frequencyKHz, int bandwidthMHz, int atKHz, int atMHz) {
    long long distance = static_cast<long long>(frequencyKHz) - atKHz;
    if (distance < 0) distance = -distance;
    return bandwidthMHz == atMHz && distance <= SimWorld::kCaptureRangeKHz;
}

}  // namespace

bool SimWorld::Parse(const std::string& text, const std::string& sourceName, const std::string& baseDirectory,
                     SimWorld& world, std::string& error) {
    SimWorld parsed;
    // Editors on some systems start a UTF-8 file with a byte-order mark; it is not part of the first statement.
    static const std::string kByteOrderMark = "\xEF\xBB\xBF";
    std::istringstream lines(text.compare(0, kByteOrderMark.size(), kByteOrderMark) == 0
                                 ? text.substr(kByteOrderMark.size())
                                 : text);
    std::string line;
    int lineNumber = 0;
    while (std::getline(lines, line)) {
        ++lineNumber;
        LineReader reader(sourceName, lineNumber);
        std::vector<Token> tokens;
        bool ok = reader.Tokenize(line, tokens);
        if (ok && !tokens.empty()) {
            const Token& statement = tokens[0];
            if (statement.quoted)
                ok = reader.Fail("a line must start with card, mux, noise or fault");
            else if (statement.text == "card")
                ok = ParseCard(reader, tokens, parsed);
            else if (statement.text == "mux")
                ok = ParseMux(reader, tokens, baseDirectory, parsed);
            else if (statement.text == "noise")
                ok = ParseNoise(reader, tokens, parsed);
            else if (statement.text == "fault")
                ok = ParseFault(reader, tokens, parsed);
            else
                ok = reader.Fail("unknown statement \"" + Excerpt(statement.text) + "\"");
        }
        if (!ok) {
            error = reader.message;
            return false;
        }
    }
    world = std::move(parsed);
    return true;
}

bool SimWorld::LoadFile(const std::string& path, SimWorld& world, std::string& error) {
    std::string contents;
    std::string why;
    if (!ReadWholeFile(path, contents, why)) {
        error = "World file " + QuotedPath(path) + ": " + why;
        return false;
    }
    std::string directory;
    std::size_t slash = path.find_last_of('/');
    if (slash != std::string::npos) directory = path.substr(0, slash == 0 ? 1 : slash);
    return Parse(contents, path, directory, world, error);
}

const char* SimWorld::BuiltInText() { return SimDemonstrationWorld::Text(); }

const SimMux* SimWorld::MuxAt(int frequencyKHz, int bandwidthMHz) const {
    for (const SimMux& mux : muxes)
        if (Near(frequencyKHz, bandwidthMHz, mux.frequencyKHz, mux.bandwidthMHz)) return &mux;
    return nullptr;
}

const SimNoise* SimWorld::NoiseAt(int frequencyKHz, int bandwidthMHz) const {
    for (const SimNoise& noise : noises)
        if (Near(frequencyKHz, bandwidthMHz, noise.frequencyKHz, noise.bandwidthMHz)) return &noise;
    return nullptr;
}
