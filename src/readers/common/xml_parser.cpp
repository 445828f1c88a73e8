#include "readers/common/xml_parser.h"

#include <xercesc/framework/MemBufInputSource.hpp>
#include <xercesc/parsers/XercesDOMParser.hpp>
#include <xercesc/sax/InputSource.hpp>
#include <xercesc/sax/Locator.hpp>
#include <xercesc/sax/SAXParseException.hpp>
#include <xercesc/sax2/SAX2XMLReader.hpp>
#include <xercesc/sax2/XMLReaderFactory.hpp>
#include <xercesc/util/BinInputStream.hpp>
#include <xercesc/util/OutOfMemoryException.hpp>
#include <xercesc/util/SecurityManager.hpp>
#include <xercesc/util/XMLEntityResolver.hpp>
#include <xercesc/util/XMLUni.hpp>

#include <algorithm>
#include <cstring>
#include <memory>
#include <regex>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/errors.h"
#include "readers/common/euc_jp.h"
#include "readers/common/utf8_guard.h"
#include "readers/common/xml_text.h"

namespace chizro {

namespace xc = XERCES_CPP_NAMESPACE;

namespace {

// Entity expansions allowed to the scanner. Documents with a document type
// declaration are refused by the handlers, so this only backs that rule up.
constexpr XMLSize_t kEntityExpansionLimit = 100;
constexpr std::size_t kReadChunk = 64 * 1024;

// Another source's bytes with its first ones read ahead to see the XML
// declaration: a document in EUC-JP comes out in UTF-8 (for a parser
// without EUC-JP; see kConvertEucJp), any other as it is.
class TDocumentSource final : public TByteSource {
public:
  explicit TDocumentSource(TByteSource& inner) : inner_(inner) {
    std::string head(kHeadSize, '\0');
    std::size_t got = 0;
    while (got < head.size()) {
      const std::size_t n = inner_.Read(head.data() + got, head.size() - got);
      if (n == 0) break;
      got += n;
    }
    head.resize(got);
    ended_ = got < kHeadSize;
    eucJp_ = DeclaresEucJp(head);
    if (eucJp_)
      decoder_.Convert(head, ended_, buffer_);
    else
      buffer_ = std::move(head);
  }
  // True when the bytes are converted from EUC-JP.
  bool EucJp() const noexcept { return eucJp_; }

  std::size_t Read(void* buffer, std::size_t size) override {
    while (pos_ == buffer_.size() && eucJp_ && !ended_) {
      std::string chunk(kReadChunk, '\0');
      chunk.resize(inner_.Read(chunk.data(), chunk.size()));
      ended_ = chunk.empty();
      buffer_.clear();
      pos_ = 0;
      decoder_.Convert(chunk, ended_, buffer_);
    }
    if (pos_ == buffer_.size()) return eucJp_ || ended_ ? 0 : inner_.Read(buffer, size);
    const std::size_t n = std::min(size, buffer_.size() - pos_);
    std::memcpy(buffer, buffer_.data() + pos_, n);
    pos_ += n;
    return n;
  }

private:
  static constexpr std::size_t kHeadSize = 1024;

  TByteSource& inner_;
  TEucJpToUtf8 decoder_;
  std::string buffer_;  // bytes for the parser not yet handed out
  std::size_t pos_ = 0;
  bool eucJp_ = false;
  bool ended_ = false;  // the inner source has no more bytes
};

// The parser's view of a byte source (not owned).
class TSourceStream final : public xc::BinInputStream {
public:
  explicit TSourceStream(TByteSource& source) : source_(source) {}
  XMLFilePos curPos() const override { return pos_; }
  XMLSize_t readBytes(XMLByte* const toFill, const XMLSize_t maxToRead) override {
    const std::size_t n = source_.Read(toFill, std::min<std::size_t>(maxToRead, kReadChunk));
    pos_ += n;
    return n;
  }
  const XMLCh* getContentType() const override { return nullptr; }

private:
  TByteSource& source_;
  XMLFilePos pos_ = 0;
};

class TSourceInput final : public xc::InputSource {
public:
  explicit TSourceInput(TByteSource& source) : source_(source) {}
  xc::BinInputStream* makeStream() const override { return new TSourceStream(source_); }

private:
  TByteSource& source_;
};

// What every external entity and external DTD subset resolves to: nothing.
// The parser never opens another file or a network address on a document's
// behalf.
xc::InputSource* NoExternalEntity() {
  static const XMLByte kNothing[1] = {0};
  return new xc::MemBufInputSource(kNothing, 0, u"external-entity", false);
}

class TNoExternalEntities final : public xc::XMLEntityResolver {
public:
  xc::InputSource* resolveEntity(xc::XMLResourceIdentifier* /*resource*/) override {
    return NoExternalEntity();
  }
};

}  // namespace

xc::InputSource* TSaxHandlerBase::resolveEntity(const XMLCh* const /*publicId*/,
                                                const XMLCh* const /*systemId*/) {
  return NoExternalEntity();
}

void TSaxHandlerBase::startDTD(const XMLCh* const /*name*/, const XMLCh* const /*publicId*/,
                               const XMLCh* const /*systemId*/) {
  Stop("文書型宣言 (<!DOCTYPE>) を含むため読み込めません", TErrorPlace::Line(Line()));
}

void TSaxHandlerBase::warning(const xc::SAXParseException& /*e*/) {}

void TSaxHandlerBase::error(const xc::SAXParseException& /*e*/) {}

void TSaxHandlerBase::fatalError(const xc::SAXParseException& e) {
  parserErrorLine_ = static_cast<std::uint64_t>(e.getLineNumber());
  const XMLCh* message = e.getMessage();
  Stop("XML として読めません: " +
           XmlParserMessageJa(
               Utf8Of(message ? std::u16string_view(message) : std::u16string_view())) +
           " (" + std::to_string(e.getColumnNumber()) + " 列目)",
       TErrorPlace::Line(parserErrorLine_));
}

namespace {

// The fatal errors of Xerces-C++'s scanner a map file meets (its message
// catalog, XMLErrs and XMLExcepts), as patterns over the English text; $1, $2
// are the names and characters it quotes.
struct TParserWords {
  const char* English;
  const char* Japanese;
};
constexpr TParserWords kParserWords[] = {
    {"unexpected end of input", "ファイルが途中で終わっています"},
    {"input ended before all started tags were ended; last tag started is '(.*)'",
     "ファイルが途中で終わっています (最後に始まったタグは '$1')"},
    {"expected end of tag '(.*)'", "タグ '$1' の終わりがありません"},
    {"unterminated start tag '(.*)'", "開始タグ '$1' が閉じていません"},
    {"unterminated end tag '(.*)'", "終了タグ '$1' が閉じていません"},
    {"unterminated comment", "コメントが閉じていません"},
    {"unterminated processing instruction", "処理命令が閉じていません"},
    {"unterminated CDATA section", "CDATA セクションが閉じていません"},
    {"unterminated character reference", "文字参照が閉じていません"},
    {"unterminated entity reference '(.*)'", "実体参照 '$1' が閉じていません"},
    {"invalid document structure", "文書の構造が正しくありません"},
    {"XML document cannot be empty", "XML 文書が空です"},
    {"expected tag name, comment, PI, or other markup", "タグ名などのマークアップがありません"},
    {"element name expected", "要素名がありません"},
    {"invalid element name '(.*)'", "要素名 '$1' が正しくありません"},
    {"comment or processing instruction expected", "コメントまたは処理命令がありません"},
    {"expected version, encoding, or standalone declaration", "XML 宣言の書き方が正しくありません"},
    {"XML declarations must be in this order: version, encoding, standalone",
     "XML 宣言の書き方が正しくありません"},
    {"invalid XML encoding declaration '(.*)'", "XML 宣言の文字コード '$1' が正しくありません"},
    {"unexpected end of entity '(.*)'", "実体 '$1' が途中で終わっています"},
    {"attribute name expected", "属性名がありません"},
    {"attribute value expected", "属性値がありません"},
    {"equal sign expected", "等号 (=) がありません"},
    {"quoted string expected", "引用符で囲んだ文字列がありません"},
    {"whitespace expected", "空白がありません"},
    {"unexpected whitespace", "余分な空白があります"},
    {"invalid character 0x(.*) in attribute value '(.*)'",
     "属性値 '$2' に使えない文字 (0x$1) があります"},
    {"invalid character 0x(.*)", "使えない文字 (0x$1) があります"},
    {"invalid character reference", "文字参照が正しくありません"},
    {"unmatched end tag detected", "対応する開始タグのない終了タグがあります"},
    {"'<' character cannot be used in attribute value '(.*)'; use &lt; instead",
     "属性値 '$1' に '<' は使えません"},
    {"']]>' sequence is not allowed in character data", "本文に ']]>' は使えません"},
    {"'--' sequence is illegal in comment", "コメントの中に '--' は使えません"},
    {"comment must start with <!--", "コメントが <!-- で始まっていません"},
    {"nested CDATA section illegal", "CDATA セクションが入れ子になっています"},
    {"processing instruction cannot start with 'xml'", "処理命令の名前が xml で始まっています"},
    {"attribute '(.*)' is already specified for element '(.*)'",
     "要素 '$2' に属性 '$1' が二度あります"},
    {"prefix '(.*)' can not be resolved to namespace URI",
     "接頭辞 '$1' の名前空間が宣言されていません"},
    {"entity '(.*)' not found", "実体 '$1' が定義されていません"},
    {"unsupported XML version '(.*)'", "XML の版 '$1' には対応していません"},
    {"unable to create converter for '(.*)' encoding", "文字コード '$1' には対応していません"},
    {"invalid multi-byte sequence", "文字コードとして読めないバイトがあります"},
    {"invalid byte '(.*)' at position (.*) of a (.*)-byte sequence",
     "文字コードとして読めないバイト ($1) があります"},
    {"invalid bytes '(.*)' and '(.*)' of a (.*)-byte sequence",
     "文字コードとして読めないバイト ($1 $2) があります"},
    {"irregular bytes '(.*)' and '(.*)' of a 3-byte sequence",
     "文字コードとして読めないバイト ($1 $2) があります"},
    {"exceeded byte limit at byte '(.*)' in a (.*)-byte sequence",
     "文字コードとして読めないバイト ($1) があります"},
    {"XML or TEXT declaration must start at line 1, column 1",
     "XML 宣言がファイルの先頭にありません"},
};

}  // namespace

std::string XmlParserMessageJa(const std::string& english) {
  static const std::vector<std::pair<std::regex, std::string>> table = [] {
    std::vector<std::pair<std::regex, std::string>> rows;
    for (const TParserWords& words : kParserWords) {
      // Patterns are the catalog's texts with (.*) for its {0}, {1}; every
      // other regex character stands for itself.
      std::string pattern;
      const std::string_view text = words.English;
      for (std::size_t i = 0; i < text.size();) {
        if (text.substr(i, 4) == "(.*)") {
          pattern += "(.*)";
          i += 4;
          continue;
        }
        if (std::strchr(".^$|()[]{}*+?\\", text[i])) pattern += '\\';
        pattern += text[i++];
      }
      rows.emplace_back(std::regex(pattern), words.Japanese);
    }
    return rows;
  }();
  for (const auto& [pattern, japanese] : table) {
    std::smatch match;
    if (std::regex_match(english, match, pattern)) return match.format(japanese);
  }
  return "XML の書き方に誤りがあります";
}

EInOutError XmlError(const std::string& leafFileName, const std::string& detail,
                     const TErrorPlace& place) {
  EInOutError error(detail);
  error.Locate(leafFileName, place);
  return error;
}

std::string LocatedText(const std::string& leafFileName, const std::string& detail,
                        const TErrorPlace& place) {
  EChizroError text(detail);
  text.Locate(leafFileName, place);
  return text.what();
}

std::uint64_t TSaxHandlerBase::Line() const {
  return locator_ ? static_cast<std::uint64_t>(locator_->getLineNumber()) : lastLine_;
}

void ParseHardened(TByteSource& source, TSaxHandlerBase& handler) {
  EnsureXercesRuntime();
  xc::SecurityManager security;
  security.setEntityExpansionLimit(kEntityExpansionLimit);
  std::unique_ptr<xc::SAX2XMLReader> reader(xc::XMLReaderFactory::createXMLReader());
  reader->setFeature(xc::XMLUni::fgSAX2CoreNameSpaces, true);
  reader->setFeature(xc::XMLUni::fgSAX2CoreNameSpacePrefixes, false);
  reader->setFeature(xc::XMLUni::fgSAX2CoreValidation, false);
  reader->setFeature(xc::XMLUni::fgXercesDynamic, false);
  reader->setFeature(xc::XMLUni::fgXercesSchema, false);
  reader->setFeature(xc::XMLUni::fgXercesSchemaFullChecking, false);
  reader->setFeature(xc::XMLUni::fgXercesLoadSchema, false);
  reader->setFeature(xc::XMLUni::fgXercesLoadExternalDTD, false);
  reader->setFeature(xc::XMLUni::fgXercesSkipDTDValidation, true);
  reader->setFeature(xc::XMLUni::fgXercesDisableDefaultEntityResolution, true);
  reader->setProperty(xc::XMLUni::fgXercesSecurityManager, &security);
  reader->setEntityResolver(&handler);
  reader->setContentHandler(&handler);
  reader->setErrorHandler(&handler);
  reader->setLexicalHandler(&handler);
  // The locator lives as long as the parse: the handler lets go of it at
  // the end, also when the parse ends by an exception.
  struct TLocatorRelease {
    TSaxHandlerBase& Handler;
    ~TLocatorRelease() { Handler.ReleaseLocator(); }
  } release{handler};
  if (kConvertEucJp) {
    TDocumentSource document(source);
    TSourceInput input(document);
    if (document.EucJp()) input.setEncoding(u"UTF-8");
    reader->parse(input);
  } else {
    const TSourceInput input(source);
    reader->parse(input);
  }
}

TXmlStop ParseToEnd(TByteSource& source, TSaxHandlerBase& handler) {
  TXmlStop result;
  TUtf8Guard guard(source);
  try {
    ParseHardened(guard, handler);
  } catch (const TXmlStop& stop) {
    result = stop;
  } catch (const xc::OutOfMemoryException&) {
    result.Detail = "メモリが足りません";
    result.Place = handler.Where();
  } catch (const std::bad_alloc&) {
    result.Detail = "メモリが足りません";
    result.Place = handler.Where();
  } catch (const xc::XMLException& e) {
    result.Detail = XmlParserMessageJa(Utf8Of(View(e.getMessage())));
    result.Place = handler.Where();
  }
  // A byte that is not UTF-8 ended the document early: the parser's
  // complaint about that end, or a parse that ran to the end of what it was
  // handed, is the damaged byte's doing. A reader's error came before it.
  if (guard.Cut && (result.Detail.empty() || guard.Explains(handler.ParserErrorLine()))) {
    result.Detail = guard.CutDetail();
    result.Place = TErrorPlace::Line(guard.CutLine);
    result.Foreign = false;
  }
  // A read error of the file or the archive explains an XML error after it.
  if (!guard.Error.empty()) {
    result.Detail = guard.Error;
    result.Place = handler.Where();
  }
  return result;
}

void HardenDomParser(xc::XercesDOMParser& dom, xc::SecurityManager& security) {
  static TNoExternalEntities resolver;
  dom.setValidationScheme(xc::XercesDOMParser::Val_Never);
  dom.setDoSchema(false);
  dom.setLoadSchema(false);
  dom.setLoadExternalDTD(false);
  dom.setSkipDTDValidation(true);
  dom.setDisableDefaultEntityResolution(true);
  dom.setDoXInclude(false);
  dom.setSecurityManager(&security);
  dom.setXMLEntityResolver(&resolver);
}

}  // namespace chizro
