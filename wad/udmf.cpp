#include "wad/udmf.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "wad/truncate.h"

namespace {

// The bytes' roles in the grammar.
enum : uint8_t { kBlank = 1, kIdentifierStart = 2, kIdentifierPart = 4, kDigit = 8 };

constexpr std::array<uint8_t, 256> kByteClasses = [] {
    std::array<uint8_t, 256> classes{};
    for (uint8_t blank : {' ', '\t', '\n', '\r', '\v', '\f'}) classes[blank] = kBlank;
    for (int c = 'A'; c <= 'Z'; ++c) classes[c] = classes[c + 32] = kIdentifierStart | kIdentifierPart;
    classes['_'] = kIdentifierStart | kIdentifierPart;
    for (int c = '0'; c <= '9'; ++c) classes[c] = kIdentifierPart | kDigit;
    return classes;
}();

bool IsA(uint8_t byte, uint8_t byteClass) { return kByteClasses[byte] & byteClass; }

// An identifier against a lowercase name of letters and digits: | 0x20 lowers a
// letter and keeps a digit, and no name holds the '_' it would turn into DEL.
bool NameIs(std::string_view identifier, std::string_view name) {
    if (identifier.size() != name.size()) return false;
    for (size_t i = 0; i < name.size(); ++i)
        if ((identifier[i] | 0x20) != name[i]) return false;
    return true;
}

// The fields read from each kind of block, each into a double or an int32.
struct FieldShape {
    std::string_view name;
    bool real;
    bool required;
};

struct BlockShape {
    std::string_view name;
    std::array<FieldShape, 4> fields;
    size_t fieldCount;
    std::array<int32_t, 4> defaults;  // of the int32 fields
};

enum BlockKind { kVertex, kLinedef, kSidedef, kSector, kThing, kBlockKinds, kOtherBlock = kBlockKinds };

constexpr BlockShape kBlocks[kBlockKinds] = {
    {"vertex", {{{"x", true, true}, {"y", true, true}}}, 2, {}},
    {"linedef", {{{"v1", false, true}, {"v2", false, true}, {"sidefront", false, true}, {"sideback", false, false}}}, 4, {0, 0, 0, -1}},
    {"sidedef", {{{"sector", false, true}}}, 1, {}},
    {"sector", {{{"heightfloor", false, false}, {"heightceiling", false, false}}}, 2, {}},
    {"thing", {{{"x", true, true}, {"y", true, true}, {"type", false, true}, {"angle", false, false}}}, 4, {}},
};

// One block's fields as read so far, by their place in its BlockShape.
struct PendingRecord {
    std::array<double, 4> real{};
    std::array<int32_t, 4> whole{};
    uint32_t given = 0;  // a bit per field
};

// A number as the text writes it: an integer token or a float token.
struct Number {
    bool whole = false;
    bool tooLarge = false;  // an integer whose magnitude reaches kMagnitudeCap
    int64_t integer = 0;
    double real = 0;
};

// Integers this large fit no field; the cap keeps the sums from overflowing.
constexpr uint64_t kMagnitudeCap = uint64_t(1) << 59;

// Powers of ten that a double holds exactly.
constexpr double kExactPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                        1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// Past 768 significant digits only whether any further digit is nonzero can change a double's rounding.
constexpr size_t kKeptDigits = 780;

// A float token's digits [digits, digitsEnd) (with at most one '.') times 10^exponent, correctly rounded:
// one exact multiply or divide when the digits fit a double, else strtod on a bounded copy.
double DecimalToDouble(const uint8_t* digits, const uint8_t* digitsEnd, int64_t exponent) {
    uint64_t mantissa = 0;
    int32_t significant = 0;
    int64_t scale = exponent;
    bool fraction = false;
    for (const uint8_t* at = digits; at < digitsEnd; ++at) {
        if (*at == '.') {
            fraction = true;
            continue;
        }
        scale -= fraction;
        if (mantissa == 0 && *at == '0') continue;
        if (++significant > 19) break;
        mantissa = mantissa * 10 + uint64_t(*at - '0');
    }
    if (mantissa == 0) return 0;
    if (significant <= 19 && mantissa <= uint64_t(1) << 53 && scale >= -22 && scale <= 22)
        return scale < 0 ? double(mantissa) / kExactPowersOfTen[-scale] : double(mantissa) * kExactPowersOfTen[scale];

    // The significant digits, a nonzero digit standing for any dropped ones, then "e" and the scale.
    char copy[kKeptDigits + 32];
    size_t length = 0;
    bool dropped = false;
    scale = exponent, fraction = false;
    for (const uint8_t* at = digits; at < digitsEnd; ++at) {
        if (*at == '.') {
            fraction = true;
        } else if (length == 0 && *at == '0') {
            scale -= fraction;
        } else if (length < kKeptDigits) {
            copy[length++] = char(*at), scale -= fraction;
        } else {
            scale += !fraction, dropped |= *at != '0';
        }
    }
    if (dropped) copy[length++] = '1', --scale;
    copy[length++] = 'e';
    if (scale < 0) copy[length++] = '-';
    char reversed[24];
    size_t count = 0;
    for (uint64_t rest = scale < 0 ? 0 - uint64_t(scale) : uint64_t(scale); count == 0 || rest > 0; rest /= 10)
        reversed[count++] = char('0' + rest % 10);
    while (count > 0) copy[length++] = reversed[--count];
    copy[length] = 0;
    return std::strtod(copy, nullptr);
}

enum class ValueKind { kNone, kNumber, kOther };

class TextMapReader {
  public:
    TextMapReader(std::span<const uint8_t> text, Level& level)
        : at_(text.data()), end_(text.data() + text.size()), level_(level) {}

    // The whole text; false, with the problem's line, at the first fault.
    bool Read() {
        for (;;) {
            if (!SkipBlank()) return false;
            if (at_ == end_) return true;
            std::string_view name = ReadIdentifier();
            if (name.empty()) return Expected("an identifier");
            if (!SkipBlank()) return false;
            if (Take('{')) {
                if (!ReadBlock(KindOf(name))) return false;
            } else if (Take('=')) {
                Number ignored;
                if (!SkipBlank() || ReadValue(ignored) == ValueKind::kNone || !SkipBlank()) return false;
                if (!Take(';')) return Expected("';'");
            } else {
                return Expected("'=' or '{'");
            }
        }
    }

    const std::string& problem() const { return problem_; }

  private:
    static BlockKind KindOf(std::string_view name) {
        for (int32_t kind = 0; kind < kBlockKinds; ++kind)
            if (NameIs(name, kBlocks[kind].name)) return BlockKind(kind);
        return kOtherBlock;
    }

    bool Fail(int64_t line, const std::string& what) {
        problem_ = "TEXTMAP line " + std::to_string(line) + ": " + what;
        return false;
    }

    // What the text has where `what` should be; inside a block, an end or a '{' is named as such.
    bool Expected(const char* what) {
        if (at_ == end_ && blockLine_ > 0) return Fail(blockLine_, "unterminated block");
        if (at_ < end_ && *at_ == '{' && blockLine_ > 0) return Fail(line_, "'{' inside a block");
        std::string found = "the end";
        if (at_ < end_ && *at_ > ' ' && *at_ < 0x7F) {
            found = std::string("'") + char(*at_) + "'";
        } else if (at_ < end_) {
            const char* hex = "0123456789ABCDEF";
            found = std::string("byte 0x") + hex[*at_ >> 4] + hex[*at_ & 15];
        }
        return Fail(line_, std::string("expected ") + what + ", found " + found);
    }

    bool Take(uint8_t byte) {
        if (at_ == end_ || *at_ != byte) return false;
        ++at_;
        return true;
    }

    // Whitespace and comments; false on a comment that never ends.
    bool SkipBlank() {
        for (;;) {
            while (at_ < end_ && IsA(*at_, kBlank)) line_ += *at_++ == '\n';
            if (end_ - at_ < 2 || at_[0] != '/') return true;
            if (at_[1] == '/') {
                const void* lineEnd = std::memchr(at_, '\n', size_t(end_ - at_));
                at_ = lineEnd ? static_cast<const uint8_t*>(lineEnd) : end_;
            } else if (at_[1] == '*') {
                int64_t startLine = line_;
                for (at_ += 2;; line_ += *at_++ == '\n') {
                    if (end_ - at_ < 2) return at_ = end_, Fail(startLine, "unterminated comment");
                    if (at_[0] == '*' && at_[1] == '/') break;
                }
                at_ += 2;
            } else {
                return true;
            }
        }
    }

    // An identifier, or empty when none starts here.
    std::string_view ReadIdentifier() {
        const uint8_t* start = at_;
        if (at_ < end_ && IsA(*at_, kIdentifierStart))
            while (++at_ < end_ && IsA(*at_, kIdentifierPart)) {}
        return {reinterpret_cast<const char*>(start), size_t(at_ - start)};
    }

    // A number into `number`, or a string or keyword read past; kNone with the problem set.
    ValueKind ReadValue(Number& number) {
        if (at_ == end_) return Expected("a value"), ValueKind::kNone;
        if (*at_ == '"') {
            int64_t startLine = line_;
            for (++at_;; ++at_) {
                if (at_ == end_) return Fail(startLine, "unterminated string"), ValueKind::kNone;
                if (*at_ == '"') break;
                at_ += *at_ == '\\' && end_ - at_ > 1;  // the escaped byte, whatever it is
                line_ += *at_ == '\n';
            }
            ++at_;
            return ValueKind::kOther;
        }
        if (IsA(*at_, kIdentifierStart)) return ReadIdentifier(), ValueKind::kOther;
        if (IsA(*at_, kDigit) || *at_ == '+' || *at_ == '-' || *at_ == '.')
            return ReadNumber(number) ? ValueKind::kNumber : ValueKind::kNone;
        return Expected("a value"), ValueKind::kNone;
    }

    // An integer (decimal, 0x hex, leading-zero octal) or a float, with an optional sign.
    bool ReadNumber(Number& number) {
        bool negative = false;
        if (*at_ == '+' || *at_ == '-') negative = *at_++ == '-';
        const uint8_t* digits = at_;
        uint32_t base = 10;
        bool real = false;
        int64_t exponent = 0;
        const uint8_t* digitsEnd;
        if (end_ - at_ >= 2 && at_[0] == '0' && (at_[1] | 0x20) == 'x') {
            digits = at_ += 2, base = 16;
            while (at_ < end_ && (IsA(*at_, kDigit) || uint8_t((*at_ | 0x20) - 'a') < 6)) ++at_;
            digitsEnd = at_;
        } else {
            while (at_ < end_ && IsA(*at_, kDigit)) ++at_;
            bool anyDigit = at_ > digits;
            if (at_ < end_ && *at_ == '.') {
                real = true;
                while (++at_ < end_ && IsA(*at_, kDigit)) anyDigit = true;
            }
            digitsEnd = anyDigit ? at_ : digits;
            if (anyDigit && at_ < end_ && (*at_ | 0x20) == 'e') {
                real = true;
                bool negativeExponent = ++at_ < end_ && *at_ == '-';
                at_ += at_ < end_ && (*at_ == '-' || *at_ == '+');
                const uint8_t* exponentDigits = at_;
                for (; at_ < end_ && IsA(*at_, kDigit); ++at_) exponent = std::min<int64_t>(exponent * 10 + (*at_ - '0'), INT32_MAX);
                if (at_ == exponentDigits) digitsEnd = digits;  // "e" without digits
                exponent = negativeExponent ? -exponent : exponent;
            }
            if (!real && digitsEnd - digits > 1 && *digits == '0') base = 8, ++digits;
        }
        if (digitsEnd == digits || (at_ < end_ && (IsA(*at_, kIdentifierPart) || *at_ == '.'))) return Fail(line_, "malformed number");
        number.whole = !real;
        if (real) {
            number.real = DecimalToDouble(digits, digitsEnd, exponent);
            number.real = negative ? -number.real : number.real;
            return true;
        }
        uint64_t magnitude = 0;
        for (const uint8_t* at = digits; at < digitsEnd; ++at) {
            uint32_t digit = IsA(*at, kDigit) ? uint32_t(*at - '0') : uint32_t((*at | 0x20) - 'a' + 10);
            if (digit >= base) return Fail(line_, "malformed number");
            magnitude = std::min(magnitude * base + digit, kMagnitudeCap);
        }
        number.tooLarge = magnitude == kMagnitudeCap;
        number.integer = negative ? -int64_t(magnitude) : int64_t(magnitude);
        return true;
    }

    bool ReadBlock(BlockKind kind) {
        const BlockShape* shape = kind == kOtherBlock ? nullptr : &kBlocks[kind];
        PendingRecord record;
        if (shape) record.whole = shape->defaults;
        blockLine_ = line_;
        for (;;) {
            if (!SkipBlank()) return false;
            if (Take('}')) break;
            std::string_view name = ReadIdentifier();
            if (name.empty()) return Expected("a field or '}'");
            if (!SkipBlank()) return false;
            if (!Take('=')) return Expected("'='");
            if (!SkipBlank()) return false;
            int64_t valueLine = line_;
            Number number;
            ValueKind value = ReadValue(number);
            if (value == ValueKind::kNone) return false;
            for (size_t field = 0; shape && field < shape->fieldCount; ++field)
                if (NameIs(name, shape->fields[field].name) && !Assign(kind, field, value, number, valueLine, record)) return false;
            if (!SkipBlank()) return false;
            if (!Take(';')) return Expected("';'");
        }
        blockLine_ = 0;
        return shape ? Finish(kind, record) : true;
    }

    size_t RecordCount(BlockKind kind) const {
        switch (kind) {
            case kVertex: return level_.vertexes.size();
            case kLinedef: return level_.linedefs.size();
            case kSidedef: return level_.sidedefs.size();
            case kSector: return level_.sectors.size();
            default: return level_.things.size();
        }
    }

    // A number into the record's field; a problem for anything else, or a number the field cannot hold.
    bool Assign(BlockKind kind, size_t field, ValueKind value, const Number& number, int64_t line, PendingRecord& record) {
        const FieldShape& shape = kBlocks[kind].fields[field];
        bool inRange = value == ValueKind::kNumber;
        if (inRange && shape.real && number.whole) {
            inRange = !number.tooLarge, record.real[field] = double(number.integer);
        } else if (inRange && shape.real) {
            inRange = std::isfinite(number.real), record.real[field] = number.real;
        } else if (inRange && number.whole) {
            inRange = number.integer >= INT32_MIN && number.integer <= INT32_MAX;
            record.whole[field] = inRange ? int32_t(number.integer) : 0;
        } else if (inRange) {  // a float in an int32 field: its fraction dropped
            inRange = number.real > -2147483649.0 && number.real < 2147483648.0;
            record.whole[field] = TruncToInt32(number.real);
        }
        record.given |= 1u << field;
        if (inRange) return true;
        return Fail(line, std::string(shape.name) + " of " + std::string(kBlocks[kind].name) + " " + std::to_string(RecordCount(kind)) +
                              (value == ValueKind::kNumber ? " is out of range" : " is not a number"));
    }

    bool Finish(BlockKind kind, const PendingRecord& record) {
        const BlockShape& shape = kBlocks[kind];
        for (size_t field = 0; field < shape.fieldCount; ++field)
            if (shape.fields[field].required && !(record.given & 1u << field)) {
                problem_ = "TEXTMAP " + std::string(shape.name) + " " + std::to_string(RecordCount(kind)) + " has no " +
                           std::string(shape.fields[field].name);
                return false;
            }
        const auto& [real, whole, given] = record;
        switch (kind) {
            case kVertex: level_.vertexes.push_back({real[0], real[1]}); break;
            case kLinedef: level_.linedefs.push_back({whole[0], whole[1], whole[2], whole[3]}); break;
            case kSidedef: level_.sidedefs.push_back({whole[0]}); break;
            case kSector: level_.sectors.push_back({whole[0], whole[1]}); break;
            default: level_.things.push_back({real[0], real[1], whole[3], whole[2]}); break;
        }
        return true;
    }

    std::string problem_;
    const uint8_t* at_;
    const uint8_t* end_;
    Level& level_;
    int64_t line_ = 1;
    int64_t blockLine_ = 0;  // where the open block starts, 0 outside blocks
};

void ClearRecords(Level& level) {
    level.vertexes.clear(), level.linedefs.clear(), level.sidedefs.clear(), level.sectors.clear(), level.things.clear();
}

}  // namespace

Status ReadTextMap(std::span<const uint8_t> text, Level& level) {
    level.format = MapFormat::kUdmf;
    ClearRecords(level);
    TextMapReader reader(text, level);
    if (reader.Read()) return Succeeded();
    ClearRecords(level);
    return Problem{ProblemKind::kUnsupported, reader.problem()};
}
