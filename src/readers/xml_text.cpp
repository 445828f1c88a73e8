#include "readers/xml_text.h"

#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/XMLException.hpp>
#include <xercesc/util/XMLString.hpp>

#include <cstdint>

#include "platform/errors.h"

namespace chizro {

namespace xc = XERCES_CPP_NAMESPACE;

namespace {

class TXercesRuntime final {
public:
  TXercesRuntime() {
    try {
      xc::XMLPlatformUtils::Initialize();
    } catch (const xc::XMLException& e) {
      throw EInOutError("XML パーサを初期化できません: " + Utf8Of(e.getMessage()));
    }
  }
  ~TXercesRuntime() { xc::XMLPlatformUtils::Terminate(); }
  TXercesRuntime(const TXercesRuntime&) = delete;
  TXercesRuntime& operator=(const TXercesRuntime&) = delete;
};

}  // namespace

void EnsureXercesRuntime() { static const TXercesRuntime runtime; }

std::string Utf8Of(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    std::uint32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<std::uint32_t>(text[i + 1]) - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (c >> 18)));
      out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

}  // namespace chizro
