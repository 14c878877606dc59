// A minimal JSON reader: objects keep their key order; numbers are doubles; strings are UTF-8.
#pragma once
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace vtest {

struct Json {
    enum Type { null, boolean, number, string, array, object } type = null;
    bool b = false;
    double n = 0;
    std::string s;
    std::vector<Json> items;                          // array
    std::vector<std::pair<std::string, Json>> fields; // object

    const Json *get(const std::string &key) const {
        for (const auto &f : fields)
            if (f.first == key) return &f.second;
        return nullptr;
    }
    const Json &operator[](const std::string &key) const {
        static const Json none;
        const Json *j = get(key);
        return j ? *j : none;
    }
};

class JsonParser {
public:
    explicit JsonParser(const std::string &text) : t_(text) {}
    Json parse() {
        Json j = value();
        space();
        if (i_ != t_.size()) fail();
        return j;
    }

private:
    [[noreturn]] void fail() { throw std::runtime_error("bad JSON at " + std::to_string(i_)); }
    void space() { i_ = std::min(t_.find_first_not_of(" \n\r\t", i_), t_.size()); }
    bool word(const std::string &w) {
        if (t_.compare(i_, w.size(), w) != 0) return false;
        i_ += w.size();
        return true;
    }
    bool eat(char c) {
        space();
        return word(std::string(1, c));
    }
    void utf8(std::string &out, uint32_t c) {
        const int n = c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
        static const uint8_t lead[] = {0, 0, 0xC0, 0xE0, 0xF0};
        out += static_cast<char>(lead[n] | c >> (6 * (n - 1)));
        for (int k = n - 2; k >= 0; --k) out += static_cast<char>(0x80 | (c >> (6 * k) & 0x3F));
    }
    uint32_t hex4() {
        if (i_ + 4 > t_.size()) fail();
        i_ += 4;
        return static_cast<uint32_t>(std::stoul(t_.substr(i_ - 4, 4), nullptr, 16));
    }
    std::string str() {
        if (!eat('"')) fail();
        std::string out;
        while (i_ < t_.size() && t_[i_] != '"') {
            char c = t_[i_++];
            if (c != '\\') {
                out += c;
                continue;
            }
            if (i_ >= t_.size()) fail();
            c = t_[i_++];
            if (c == 'u') {
                uint32_t u = hex4();
                if (u >= 0xD800 && u < 0xDC00 && t_.compare(i_, 2, "\\u") == 0) { // a surrogate pair
                    i_ += 2;
                    u = 0x10000 + ((u - 0xD800) << 10) + (hex4() - 0xDC00);
                }
                utf8(out, u);
            } else {
                static const std::string from = "ntrbf", to = "\n\t\r\b\f";
                out += from.find(c) == std::string::npos ? c : to[from.find(c)];
            }
        }
        if (i_ >= t_.size()) fail();
        ++i_;
        return out;
    }
    Json value() {
        space();
        if (i_ >= t_.size()) fail();
        Json j;
        const char c = t_[i_];
        if (c == '{') {
            ++i_;
            j.type = Json::object;
            if (eat('}')) return j;
            do {
                std::string k = str();
                if (!eat(':')) fail();
                j.fields.emplace_back(std::move(k), value());
            } while (eat(','));
            if (!eat('}')) fail();
        } else if (c == '[') {
            ++i_;
            j.type = Json::array;
            if (eat(']')) return j;
            do j.items.push_back(value());
            while (eat(','));
            if (!eat(']')) fail();
        } else if (c == '"') {
            j.type = Json::string;
            j.s = str();
        } else if (word("true")) {
            j.type = Json::boolean;
            j.b = true;
        } else if (word("false")) {
            j.type = Json::boolean;
        } else if (word("null")) {
            j.type = Json::null;
        } else {
            char *end = nullptr;
            j.type = Json::number;
            j.n = std::strtod(t_.c_str() + i_, &end);
            if (end == t_.c_str() + i_) fail();
            i_ = static_cast<size_t>(end - t_.c_str());
        }
        return j;
    }

    const std::string &t_;
    size_t i_ = 0;
};

} // namespace vtest
