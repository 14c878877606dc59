// The shared strings (each entry the texts of its runs joined, phonetic
// runs left out, "_xHHHH_" escapes decoded) and the custom properties.
#include "core/status.h"
#include "xlsx/read/parts.h"

namespace vel::xlsxread {

namespace {

class StringsHandler : public XmlHandler {
public:
    explicit StringsHandler(Model &m) : m_(m) {}

    int start_element(const XmlElement &e) override {
        if (e.ns != XmlNs::MAIN) return 0;
        if (e.local == "si") {
            current_.clear();
            in_si_ = true;
        } else if (e.local == "rPh") {
            ++phonetic_;
        } else if (e.local == "t") {
            in_t_ = in_si_ && phonetic_ == 0;
        }
        return 0;
    }

    int end_element(const XmlElement &e) override {
        if (e.ns != XmlNs::MAIN) return 0;
        if (e.local == "t") {
            in_t_ = false;
        } else if (e.local == "rPh") {
            --phonetic_;
        } else if (e.local == "si") {
            decode_escapes(current_);
            m_.sst.push_back(current_);
            in_si_ = false;
        }
        return 0;
    }

    int text(std::string_view t, int) override {
        if (in_t_) current_.append(t);
        return 0;
    }

private:
    Model &m_;
    std::string current_;
    bool in_si_ = false, in_t_ = false;
    int phonetic_ = 0;
};

class CustomHandler : public XmlHandler {
public:
    explicit CustomHandler(Model &m) : m_(m) {}
    int start_element(const XmlElement &e) override {
        if (e.local == "property") {
            name_ = e.attr("name");
            value_.clear();
            in_value_ = false;
        } else if (e.local == "lpwstr") {
            in_value_ = true;
        }
        return 0;
    }
    int end_element(const XmlElement &e) override {
        if (e.local == "lpwstr") {
            in_value_ = false;
            m_.settings.custom_properties.emplace_back(name_, value_);
        }
        return 0;
    }
    int text(std::string_view t, int) override {
        if (in_value_) value_.append(t);
        return 0;
    }

private:
    Model &m_;
    std::string name_, value_;
    bool in_value_ = false;
};

} // namespace

int read_shared_strings(Package &pkg, const std::string &part) {
    StringsHandler handler(pkg.book.model);
    int rc = read_xml_part(pkg, part, handler, true);
    pkg.book.model.source->strings = static_cast<int32_t>(pkg.book.model.sst.size());
    return rc;
}

int read_custom_properties(Package &pkg, const std::string &part) {
    CustomHandler handler(pkg.book.model);
    return read_xml_part(pkg, part, handler, true);
}

} // namespace vel::xlsxread
