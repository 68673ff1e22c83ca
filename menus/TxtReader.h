// TxtReader: the tokenizer of the plain-text scripts, also used as a small string type.
#pragma once
#include <cstdint>
#include <string>

class TxtReader {
public:
    TxtReader() = default;
    explicit TxtReader(const char* text) { txt_SetText(text); }
    explicit TxtReader(const std::string& text) { txt_SetString(text); }
    TxtReader(const TxtReader&) = default;
    TxtReader& operator=(const TxtReader& other) { txt_Assign(other); return *this; }

    void txt_SetText(const char* text);
    // The text stops at an embedded 0 byte, as a C string would.
    void txt_SetString(const std::string& text);
    void txt_Assign(const TxtReader& other);

    // Next token: leading separators skipped, the one separator that ends it consumed.
    std::string txt_NextToken();
    TxtReader& txt_ReadString(TxtReader& out);
    TxtReader& txt_GetToken(std::string& out);
    TxtReader& txt_ReadLong(int32_t& out);
    TxtReader& txt_ReadFloat(float& out);
    // Rest of the current line; CR LF and LF end it and are dropped.
    void txt_ReadLine(TxtReader& out);
    // Skips separators (blank lines too), then reads the rest of the line.
    void txt_ReadRestOfLine(std::string& out);
    bool txt_IsEnd() const { return pos_ >= text_.size(); }
    // Mode 0 from the start, 1 from the position, 2 from the end, else rewind; clamped to the last byte.
    void txt_Seek(int32_t offset, int16_t mode);
    // Index clamped to the text; an empty text gives a pointer to a 0 byte.
    const char* txt_CharAt(int32_t index) const;

    bool txt_Equals(const char* s) const;
    bool txt_EqualsString(const std::string& s) const { return text_ == s; }
    bool txt_NotEquals(const char* s) const { return !txt_Equals(s); }
    // Empty unless 0 <= start and start + count <= length.
    TxtReader txt_SubString(int32_t start, int32_t count) const;
    int32_t txt_ToLong() const;
    void txt_ToLower();
    void txt_ToUpper();
    TxtReader txt_StripDigits() const;
    TxtReader txt_KeepDigits() const;
    static bool txt_IsSeparator(uint8_t c) {
        return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == ',' || c == ';';
    }

    const char* c_str() const { return text_.c_str(); }
    uint32_t length() const { return uint32_t(text_.size()); }
    const std::string& str() const { return text_; }
    uint32_t position() const { return pos_; }

private:
    void SkipSeparators();
    void AppendLine(std::string& out);

    std::string text_;
    uint32_t pos_ = 0;
};

// Reads a whole script file into the reader (a 0 byte in the file ends the text there).
// False when the file cannot be opened; reporting that is the caller's business.
bool TxtReader_LoadFile(const char* path, TxtReader& out);

// The C library's atol and atof as the scripts were written for: decimal only, '.' as the
// decimal point whatever the locale, no hexadecimal, infinity or NaN forms; no number gives 0.
// Both saturate: atol at the 32-bit limits, atof at +-HUGE_VAL; txt_ReadFloat at +-FLT_MAX.
int32_t Txt_AtoL(const char* s);
double Txt_AtoF(const char* s);
