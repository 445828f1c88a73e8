// Writes euc_jp_icu.txt: EUC-JP as the Xerces-C++ of the Linux build (ICU's
// converter "EUC-JP") decodes it, the reference for the converter that the
// Windows build reads EUC-JP documents with. Run once on Linux:
//
//   g++ -std=c++20 euc_jp_icu.cpp -lxerces-c -o /tmp/euc_jp_icu && /tmp/euc_jp_icu > euc_jp_icu.txt
#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/TransService.hpp>

#include <cstdio>
#include <string>
#include <vector>

namespace xc = XERCES_CPP_NAMESPACE;

namespace {

using Bytes = std::vector<unsigned char>;

xc::XMLTranscoder* transcoder = nullptr;

// The UTF-16 of `in` followed by a space, which ends any sequence the
// converter holds back; the space is not returned.
std::u16string Decode(Bytes in) {
  in.push_back(0x20);
  std::u16string out(in.size() + 8, u'\0');
  std::vector<unsigned char> sizes(out.size());
  XMLSize_t eaten = 0;
  const XMLSize_t n =
      transcoder->transcodeFrom(in.data(), in.size(), out.data(), out.size(), eaten, sizes.data());
  if (eaten != in.size() || n == 0 || out[n - 1] != u' ') std::abort();
  out.resize(n - 1);
  return out;
}

std::string Utf8(const std::u16string& s) {
  std::string out;
  for (char16_t c : s) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

// One line per lead: the characters of the codes `prefix` `lead` t for
// t = first..last, each of which must decode to one character.
void Row(Bytes prefix, int first, int last) {
  std::u16string chars;
  for (int t = first; t <= last; ++t) {
    Bytes code = prefix;
    code.push_back(static_cast<unsigned char>(t));
    const std::u16string c = Decode(code);
    if (c.size() != 1) std::abort();
    chars += c;
  }
  std::printf("row");
  for (unsigned char b : prefix) std::printf(" %02X", b);
  std::printf(" %02X %s\n", first, Utf8(chars).c_str());
}

void Sequence(const Bytes& in) {
  std::printf("seq");
  for (unsigned char b : in) std::printf(" %02X", b);
  std::printf(" =");
  for (char16_t c : Decode(in)) std::printf(" %04X", static_cast<unsigned>(c));
  std::printf("\n");
}

}  // namespace

int main() {
  xc::XMLPlatformUtils::Initialize();
  xc::XMLTransService::Codes rc;
  transcoder = xc::XMLPlatformUtils::fgTransService->makeNewTranscoderFor(u"EUC-JP", rc, 1024);
  if (!transcoder) return 1;
  std::printf(
      "# EUC-JP as the Xerces-C++ of the Linux build (ICU's converter \"EUC-JP\")\n"
      "# decodes it; written by euc_jp_icu.cpp. \"row B.. F C\": the characters of\n"
      "# the codes B.. C, B.. C+1, ... up to trail FE (8E: E4), in UTF-8.\n"
      "# \"seq B.. = U..\": a byte sequence and its UTF-16.\n");
  for (int lead = 0xA1; lead <= 0xFE; ++lead) Row({static_cast<unsigned char>(lead)}, 0xA1, 0xFE);
  Row({0x8E}, 0xA1, 0xE4);
  for (int lead = 0xA1; lead <= 0xFE; ++lead) Row({0x8F, static_cast<unsigned char>(lead)}, 0xA1, 0xFE);
  // One sequence of each kind that is not a code of the rows: single bytes,
  // trail bytes out of range, and codes cut short by the next byte.
  const std::vector<Bytes> sequences = {
      {0x00}, {0x41}, {0x5C}, {0x7E}, {0x7F}, {0x80}, {0x8D}, {0x90}, {0x9F}, {0xA0}, {0xFF},
      {0x8E, 0x41}, {0x8E, 0x80}, {0x8E, 0x8E}, {0x8E, 0x8F}, {0x8E, 0xA0}, {0x8E, 0xE5},
      {0x8E, 0xFE}, {0x8E, 0xFF}, {0x8F, 0x41}, {0x8F, 0x80}, {0x8F, 0x8E}, {0x8F, 0xA0},
      {0x8F, 0xFF}, {0x8F, 0xA2, 0x41}, {0x8F, 0xA2, 0x80}, {0x8F, 0xA2, 0x8F},
      {0x8F, 0xA2, 0xA0}, {0x8F, 0xA2, 0xFF}, {0x8F, 0xFF, 0xA1}, {0xA4, 0x41},
      {0xA4, 0x80}, {0xA4, 0x8E, 0xB1}, {0xA4, 0x8F}, {0xA4, 0xA0}, {0xA4, 0xFF}, {0xA0, 0xA4},
      {0xFF, 0xA4, 0xA2}, {0x80, 0xA4, 0xA2}, {0xA4, 0xA2, 0xA4}};
  for (const Bytes& s : sequences) Sequence(s);
  return 0;
}
