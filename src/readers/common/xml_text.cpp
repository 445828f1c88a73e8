#include "readers/common/xml_text.h"

#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/XMLException.hpp>
#include <xercesc/util/XMLString.hpp>

#include <cstdint>

#include "platform/errors.h"
#include "platform/utf8.h"

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

bool DeclaresEucJp(std::string_view head) {
  // <?xml version="1.0" encoding="EUC-JP"?>: pseudo-attributes in either
  // quotes, blanks around "=".
  constexpr std::string_view kOpen = "<?xml";
  if (!head.starts_with(kOpen)) return false;
  std::size_t p = kOpen.size();
  auto isSpace = [&](std::size_t i) {
    return i < head.size() &&
           (head[i] == ' ' || head[i] == '\t' || head[i] == '\r' || head[i] == '\n');
  };
  if (!isSpace(p)) return false;
  for (;;) {
    while (isSpace(p)) ++p;
    const std::size_t nameStart = p;
    while (p < head.size() && head[p] >= 'a' && head[p] <= 'z') ++p;
    const std::string_view name = head.substr(nameStart, p - nameStart);
    if (name.empty()) return false;  // "?>" or something else
    while (isSpace(p)) ++p;
    if (p >= head.size() || head[p] != '=') return false;
    ++p;
    while (isSpace(p)) ++p;
    if (p >= head.size() || (head[p] != '"' && head[p] != '\'')) return false;
    const std::size_t close = head.find(head[p], p + 1);
    if (close == std::string_view::npos) return false;
    const std::string_view value = head.substr(p + 1, close - p - 1);
    p = close + 1;
    if (name != "encoding") continue;
    // A name that XML does not allow is the parser's error, as elsewhere.
    auto isLetter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
    auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    if (value.empty() || !isLetter(value.front())) return false;
    for (char c : value)
      if (!isLetter(c) && !isDigit(c) && c != '.' && c != '_' && c != '-') return false;
    // ICU compares names by their letters and digits only, in any case, and
    // without the zeros that lead a number.
    std::string key;
    bool afterDigit = false;
    for (std::size_t i = 0; i < value.size(); ++i) {
      const char c = value[i];
      if (c == '0' && !afterDigit && i + 1 < value.size() && isDigit(value[i + 1])) continue;
      afterDigit = isDigit(c);
      if (isLetter(c) || afterDigit) key.push_back(isLetter(c) ? static_cast<char>(c | 0x20) : c);
    }
    for (std::string_view alias :
         {"eucjp", "eucjp2007", "xeucjp", "eucjis", "ujis", "cseucpkdfmtjapanese",
          "extendedunixcodepackedformatforjapanese"})
      if (key == alias) return true;
    return false;
  }
}

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
    AppendUtf8(out, static_cast<char32_t>(c));
  }
  return out;
}

}  // namespace chizro
