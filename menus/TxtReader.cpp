// TxtReader: tokens, lines, numbers and string operations over a whole script text.
#include "menus/TxtReader.h"

#include <cfloat>
#include <cstdlib>
#include <cstring>
#include <locale.h>

#include "app/Orv_File.h"
#include "app/Orv_Mem.h"

namespace {

bool IsCSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

int32_t Txt_AtoL(const char* s) {
    while (IsCSpace(*s)) ++s;
    bool neg = false;
    if (*s == '+' || *s == '-') neg = (*s++ == '-');
    int64_t v = 0;
    for (; IsDigit(*s); ++s) {
        v = v * 10 + (*s - '0');
        if (v > int64_t(INT32_MAX) + 1) v = int64_t(INT32_MAX) + 1;  // saturate, keep scanning
    }
    if (neg) return int32_t(-v);
    return v > INT32_MAX ? INT32_MAX : int32_t(v);
}

double Txt_AtoF(const char* s) {
    while (IsCSpace(*s)) ++s;
    // Take the longest decimal prefix ourselves so that no locale, hexadecimal, "inf" or "nan"
    // form reaches the conversion.
    const char* p = s;
    if (*p == '+' || *p == '-') ++p;
    const char* mant = p;
    while (IsDigit(*p)) ++p;
    size_t digits = size_t(p - mant);
    if (*p == '.') {
        const char* frac = ++p;
        while (IsDigit(*p)) ++p;
        digits += size_t(p - frac);
    }
    if (digits == 0) return 0.0;
    if (*p == 'e' || *p == 'E') {
        const char* e = p + 1;
        if (*e == '+' || *e == '-') ++e;
        if (IsDigit(*e)) {
            while (IsDigit(*e)) ++e;
            p = e;
        }
    }
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t(0));
    std::string number(s, p);
    return strtod_l(number.c_str(), nullptr, cLocale);
}

void TxtReader::txt_SetText(const char* text) {
    text_ = text ? text : "";
    pos_ = 0;
}

void TxtReader::txt_SetString(const std::string& text) { txt_SetText(text.c_str()); }

void TxtReader::txt_Assign(const TxtReader& other) {
    text_ = other.text_;
    pos_ = other.pos_;
}

void TxtReader::SkipSeparators() {
    while (pos_ < text_.size() && txt_IsSeparator(uint8_t(text_[pos_]))) ++pos_;
}

std::string TxtReader::txt_NextToken() {
    std::string token;
    SkipSeparators();
    while (pos_ < text_.size()) {
        char c = text_[pos_++];
        if (txt_IsSeparator(uint8_t(c))) break;
        token += c;
    }
    return token;
}

TxtReader& TxtReader::txt_ReadString(TxtReader& out) {
    out.txt_SetString(txt_NextToken());
    return *this;
}

TxtReader& TxtReader::txt_GetToken(std::string& out) {
    out = txt_NextToken();
    return *this;
}

TxtReader& TxtReader::txt_ReadLong(int32_t& out) {
    out = Txt_AtoL(txt_NextToken().c_str());
    return *this;
}

TxtReader& TxtReader::txt_ReadFloat(float& out) {
    double v = Txt_AtoF(txt_NextToken().c_str());
    // Narrowing an out-of-range double is undefined; saturate instead.
    if (v > FLT_MAX) v = FLT_MAX;
    if (v < -FLT_MAX) v = -FLT_MAX;
    out = float(v);
    return *this;
}

void TxtReader::AppendLine(std::string& out) {
    while (pos_ < text_.size()) {
        char c = text_[pos_++];
        if (c == '\r') {
            // A carriage return is dropped; the byte after it is taken in its place.
            if (pos_ >= text_.size()) break;
            c = text_[pos_++];
        }
        if (c == '\n') break;
        out += c;
    }
}

void TxtReader::txt_ReadLine(TxtReader& out) {
    std::string line;
    AppendLine(line);
    out.text_ = std::move(line);
    out.pos_ = 0;
}

void TxtReader::txt_ReadRestOfLine(std::string& out) {
    out.clear();
    SkipSeparators();
    AppendLine(out);
}

void TxtReader::txt_Seek(int32_t offset, int16_t mode) {
    int64_t p;
    switch (mode) {
    case 0: p = offset; break;
    case 1: p = int64_t(pos_) + offset; break;
    case 2: p = int64_t(text_.size()) + offset; break;
    default: p = 0; break;
    }
    if (p < 0) p = 0;
    if (p >= int64_t(text_.size())) p = text_.empty() ? 0 : int64_t(text_.size()) - 1;
    pos_ = uint32_t(p);
}

const char* TxtReader::txt_CharAt(int32_t index) const {
    if (text_.empty()) return text_.c_str();
    if (index < 0) index = 0;
    if (size_t(index) >= text_.size()) index = int32_t(text_.size() - 1);
    return text_.c_str() + index;
}

bool TxtReader::txt_Equals(const char* s) const { return s && text_ == s; }

TxtReader TxtReader::txt_SubString(int32_t start, int32_t count) const {
    TxtReader r;
    if (start >= 0 && count > 0 && int64_t(start) + count <= int64_t(text_.size()))
        r.text_ = text_.substr(size_t(start), size_t(count));
    return r;
}

int32_t TxtReader::txt_ToLong() const { return Txt_AtoL(text_.c_str()); }

// Only A-Z and a-z change, as in the C locale.
void TxtReader::txt_ToLower() {
    for (char& c : text_)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
}

void TxtReader::txt_ToUpper() {
    for (char& c : text_)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
}

TxtReader TxtReader::txt_StripDigits() const {
    TxtReader r;
    for (char c : text_)
        if (!IsDigit(c)) r.text_ += c;
    return r;
}

TxtReader TxtReader::txt_KeepDigits() const {
    TxtReader r;
    for (char c : text_)
        if (IsDigit(c)) r.text_ += c;
    return r;
}

bool TxtReader_LoadFile(const char* path, TxtReader& out) {
    OrvFileHandle h = OrvFile_Open(path, ORV_READ);
    if (h == 0) return false;
    int32_t size = OrvFile_GetSize(h);
    if (size < 0) size = 0;
    char* buf = static_cast<char*>(mem_alloc(size_t(size) + 1, "TxtReader"));
    if (!buf) {  // only while a fatal report runs
        OrvFile_Close(h);
        return false;
    }
    int32_t got = size > 0 ? OrvFile_Read(h, buf, size) : 0;
    if (got < 0) got = 0;
    buf[got] = 0;
    out.txt_SetText(buf);
    mem_free(buf, "TxtReader");
    OrvFile_Close(h);
    return true;
}
