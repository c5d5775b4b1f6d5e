#include "examples/lpsolve/mps_prescan.hpp"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <optional>

#include "examples/lpsolve/lp_error.hpp"
#include "examples/lpsolve/mps_file.hpp"

namespace lpsolve {
namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

struct Token {
    std::size_t begin, end;  // [begin, end) in the line
};

std::vector<Token> tokens(const std::string& line) {
    std::vector<Token> out;
    for (std::size_t i = 0; i < line.size();) {
        if (isBlank(line[i])) {
            ++i;
            continue;
        }
        std::size_t j = i;
        while (j < line.size() && !isBlank(line[j])) ++j;
        out.push_back({i, j});
        i = j;
    }
    return out;
}

std::optional<bool> senseWord(const std::string& word) {  // true for maximize
    const std::string w = upper(word);
    if (w == "MAX" || w == "MAXIMIZE" || w == "MAXIMISE") return true;
    if (w == "MIN" || w == "MINIMIZE" || w == "MINIMISE") return false;
    return std::nullopt;
}

class Scanner {
public:
    explicit Scanner(const std::string& path) : path_(path) {}

    [[noreturn]] void fail(const std::string& why) const {
        throw LpError(ExitCode::BadInput, "cannot read '" + path_ + "': line " +
                                              std::to_string(lineNumber_) + ": " + why);
    }

    // One line without its '\n'; `length` above kMaxMpsLineLength refuses it.
    void line(std::string text, std::size_t length) {
        ++lineNumber_;
        if (length > kMaxMpsLineLength) {
            fail("the line has " + std::to_string(length) + " characters (at most " +
                 std::to_string(kMaxMpsLineLength) + ")");
        }
        // What CoinMpsIO keeps of a line: up to a CR, without trailing blanks.
        text.resize(std::min(text.size(), text.find('\r')));
        while (!text.empty() && isBlank(text.back())) text.pop_back();
        // CoinMpsIO re-spaces tabbed lines while in BOUNDS, comments and headers included.
        if (inBounds_ && text.size() > kMaxMpsTabbedBoundsLine &&
            text.find('\t') != std::string::npos) {
            fail("a line with tabs in BOUNDS has more than " +
                 std::to_string(kMaxMpsTabbedBoundsLine) + " characters");
        }
        if (text.empty() || text[0] == '*') return;  // blank or comment
        const std::vector<Token> t = tokens(text);
        checkFields(text, t);
        const bool header = text[0] != ' ';  // as CoinMpsIO: data lines start with a space
        if (!header && !freeFormat_) checkFixedColumns(text);
        const std::string first = upper(text.substr(t[0].begin, t[0].end - t[0].begin));
        const auto word = [&](std::size_t k) {
            return text.substr(t[k].begin, t[k].end - t[k].begin);
        };
        for (const char* s : {"QCMATRIX", "CSECTION"}) {
            if (first == s) {
                fail("a quadratic-constraint or conic section (" + word(0) +
                     "); only the objective may be quadratic");
            }
        }
        for (const char* s : {"QUADOBJ", "QMATRIX", "QSECTION"}) {
            if (first != s) continue;
            if (!header || word(0) != s) {
                fail("a quadratic section (" + word(0) +
                     ") must be written in capitals at the start of its line");
            }
            if (scan_.quadratic) fail("a second quadratic section (" + word(0) + ")");
            scan_.quadratic = true;
            scan_.quadraticLines.push_back(lineNumber_);
            return;
        }
        if (header && scan_.quadratic && first != "ENDATA") {
            fail("the section " + word(0) + " follows the quadratic section (it must come last)");
        }
        if (!header && scan_.quadratic) {
            if (t.size() != 3) fail("a quadratic entry needs two column names and a value");
            scan_.quadraticLines.push_back(lineNumber_);
            scan_.quadraticEntries.push_back({word(0), word(1), word(2)});
            return;
        }
        const std::string all = upper(text);
        if ((header && first == "SOS") || all.find("'SOSORG'") != std::string::npos ||
            all.find("'SOSEND'") != std::string::npos ||
            (all.find("'MARKER'") != std::string::npos &&
             (first == "S1" || first == "S2" || first == "S3"))) {
            fail("special ordered sets are not supported");
        }
        if (pendingSense_) {
            pendingSense_ = false;
            const auto sense = header || t.size() != 1 ? std::nullopt : senseWord(word(0));
            if (!sense) fail("OBJSENSE must be followed by MAX, MAXIMIZE, MIN or MINIMIZE");
            setSense(*sense);
            return;
        }
        if (!header) return;
        if (!nameSeen_ && text.rfind("NAME", 0) == 0) {
            nameSeen_ = true;
            const std::string rest = t.size() > 1 ? text.substr(t[1].end) : "";
            if (rest.find("IEEE") != std::string::npos)
                fail("IEEE-coded numbers are not supported");
            freeFormat_ =
                rest.find("FREE") != std::string::npos || rest.find("VALUES") != std::string::npos;
        }
        inBounds_ = first.rfind("BOUNDS", 0) == 0;
        if (first.rfind("ROWS", 0) == 0) rowsSeen_ = true;
        if (first == "OBJSENSE" && !rowsSeen_) {
            if (t.size() > 2) fail("OBJSENSE takes one word: MAX, MAXIMIZE, MIN or MINIMIZE");
            if (t.size() == 1) {
                pendingSense_ = true;
                scan_.senseLines.push_back(lineNumber_);
                return;
            }
            const auto sense = senseWord(word(1));
            if (!sense) {
                fail("OBJSENSE must be MAX, MAXIMIZE, MIN or MINIMIZE, not '" + word(1) + "'");
            }
            setSense(*sense);
        } else if (first == "NAME" && t.size() >= 3 && !rowsSeen_) {
            if (const auto sense = senseWord(word(t.size() - 1))) scan_.maximize = *sense;
        }
    }

    MpsPrescan finish() {
        if (pendingSense_) fail("OBJSENSE must be followed by MAX, MAXIMIZE, MIN or MINIMIZE");
        return scan_;
    }

    void binary(unsigned char byte, std::size_t column) const {
        char code[8];
        std::snprintf(code, sizeof code, "0x%02x", byte);
        throw LpError(ExitCode::BadInput, "cannot read '" + path_ +
                                              "': it is a binary file, not MPS text (byte " + code +
                                              " at line " + std::to_string(lineNumber_ + 1) +
                                              ", column " + std::to_string(column) + ")");
    }

private:
    void setSense(bool maximize) {
        scan_.maximize = maximize;
        scan_.senseLines.push_back(lineNumber_);
    }

    // CoinMpsIO copies each field into buffers of fixed size; a lone sign joins the next
    // token ("- 5" is one field), so measure such runs as one.
    void checkFields(const std::string& text, const std::vector<Token>& t) const {
        for (std::size_t k = 0; k < t.size(); ++k) {
            const std::size_t begin = t[k].begin;
            while (k + 1 < t.size() && t[k].end - t[k].begin == 1 &&
                   (text[t[k].begin] == '+' || text[t[k].begin] == '-')) {
                ++k;
            }
            const std::size_t length = t[k].end - begin;
            if (length > kMaxMpsFieldLength) {
                fail("a name or number of " + std::to_string(length) + " characters (at most " +
                     std::to_string(kMaxMpsFieldLength) + ")");
            }
        }
    }

    // In fixed format CoinMpsIO cuts the fields starting in columns 15 and 40 after 8
    // characters; when a longer one ends the line it dereferences a null pointer.
    void checkFixedColumns(const std::string& card) const {
        for (const std::size_t start : {std::size_t{14}, std::size_t{39}}) {
            if (card.size() <= start + 8 || isBlank(card[start]) || !isBlank(card[start - 1]) ||
                card[start + 8] == ' ' || nextBlank(card, start) != std::string::npos) {
                continue;
            }
            fail("a field of more than 8 characters in column " + std::to_string(start + 1) +
                 " ends the line (fixed format; mark the NAME line FREE)");
        }
    }

    // CoinMpsIO's end of a field: the next blank, a lone sign joining the token after it.
    static std::size_t nextBlank(const std::string& card, std::size_t from) {
        const std::size_t blank = card.find_first_of(" \t", from);
        if (blank != from + 1 || (card[from] != '+' && card[from] != '-')) return blank;
        const std::size_t after = card.find_first_not_of(" \t", blank);
        return after == std::string::npos ? std::string::npos : nextBlank(card, after);
    }

    std::string path_;
    std::size_t lineNumber_ = 0;
    bool pendingSense_ = false, inBounds_ = false, rowsSeen_ = false;
    bool nameSeen_ = false, freeFormat_ = false;
    MpsPrescan scan_;
};

}  // namespace

MpsPrescan prescanMps(const std::string& path) {
    MpsFile file(path);
    Scanner scanner(path);
    std::vector<char> buffer(1 << 16);
    std::string line;
    std::size_t length = 0;  // of the current line, which may exceed what `line` keeps
    for (std::size_t got; (got = file.read(buffer.data(), buffer.size())) > 0;) {
        for (std::size_t i = 0; i < got; ++i) {
            const char c = buffer[i];
            if (c == '\n') {
                scanner.line(std::move(line), length);
                line.clear();
                length = 0;
                continue;
            }
            const auto byte = static_cast<unsigned char>(c);
            if (byte < 0x20 && c != '\t' && c != '\r') scanner.binary(byte, length + 1);
            if (++length > kMaxMpsLineLength) scanner.line(std::move(line), length);  // throws
            line.push_back(c);
        }
    }
    if (length > 0) scanner.line(std::move(line), length);
    return scanner.finish();
}

}  // namespace lpsolve
