// The hardened XML parse of the streaming XML readers (FGD GML, the land
// registry's map XML, GPX) and of the one that builds the document tree, with
// Xerces-C++, over a leaf's bytes (readers/common/zip_source.h).
//
// Hardening: no DTD is loaded, no external entity is resolved (the handler
// refuses them), no schema is read, and entity expansion is capped, so a map
// file never makes the program read another file or the network.
#pragma once

#include <xercesc/sax2/DefaultHandler.hpp>

#include <cstdint>
#include <string>

#include "platform/errors.h"
#include "readers/common/zip_source.h"

XERCES_CPP_NAMESPACE_BEGIN
class SecurityManager;
class XercesDOMParser;
XERCES_CPP_NAMESPACE_END

namespace chizro {

// An error of the XML file (or archive member) `leafFileName` at `place`,
// in the shared form of located errors: "'<file>' の 12 行目: <detail>",
// "'<archive>.zip|<member>' の要素 BldA gml:id="K6_1": <detail>".
EInOutError XmlError(const std::string& leafFileName, const std::string& detail,
                     const TErrorPlace& place);
// The same words as a reason inside another message ("'<file>' の 2 行目:
// <detail>"), without the error's kind.
std::string LocatedText(const std::string& leafFileName, const std::string& detail,
                        const TErrorPlace& place);

// The parser's own words for what is wrong with a document (Xerces-C++'s
// English message texts) in Japanese, with the names it quotes kept: "expected
// end of tag 'a'" becomes "タグ 'a' の終わりがありません". A text not in the
// table becomes a plain "XML の書き方に誤りがあります".
std::string XmlParserMessageJa(const std::string& english);

// What ends a parse before the end of its document: the reader's words, the
// place they are about, and whether the document is of another format
// altogether (the reader then passes it on instead of reporting it).
struct TXmlStop {
  std::string Detail;
  TErrorPlace Place;
  bool Foreign = false;
};

// The base of the readers' SAX2 handlers: every external entity resolves to
// nothing, and the parser's position is at hand for messages.
class TSaxHandlerBase : public XERCES_CPP_NAMESPACE::DefaultHandler {
public:
  // Where the parse is, for messages: the line the parser is at, or the
  // element (with its id) that a reader is building.
  virtual TErrorPlace Where() const { return TErrorPlace::Line(Line()); }
  // Ends the parse with the reader's words `detail` found at `place`, as the
  // reader ends its parses.
  [[noreturn]] virtual void Stop(const std::string& detail, const TErrorPlace& place) const = 0;

  // A document type declaration is refused: map files have none, and it is
  // what entity-expansion bombs and external entities are made of.
  void startDTD(const XMLCh* const name, const XMLCh* const publicId,
                const XMLCh* const systemId) override;
  // Warnings and recoverable errors (of validation, which is off) are passed
  // over; a fatal error ends the parse, with the parser's line and column.
  void warning(const XERCES_CPP_NAMESPACE::SAXParseException& e) override;
  void error(const XERCES_CPP_NAMESPACE::SAXParseException& e) override;
  void fatalError(const XERCES_CPP_NAMESPACE::SAXParseException& e) override;

  void setDocumentLocator(const XERCES_CPP_NAMESPACE::Locator* const locator) override {
    locator_ = locator;
    lastLine_ = 0;
    parserErrorLine_ = 0;
  }
  // Ends the parser's part: its locator is not asked again (Xerces's locator
  // is dead once a parse is over, also one ended by an exception), and Line()
  // gives the last line marked.
  void ReleaseLocator() { locator_ = nullptr; }
  XERCES_CPP_NAMESPACE::InputSource* resolveEntity(const XMLCh* const publicId,
                                                   const XMLCh* const systemId) override;
  // The 1-based line the parser is at; after the parse, the last line marked
  // by MarkLine (0 if none).
  std::uint64_t Line() const;
  // The line of the parser's fatal error (malformed XML) in the last parse;
  // 0 for none.
  std::uint64_t ParserErrorLine() const { return parserErrorLine_; }

protected:
  // Keeps the parser's line for messages written after the parse (an
  // exception of Xerces, a read error of the file): the handlers mark it at
  // every element.
  void MarkLine() { lastLine_ = Line(); }

private:
  const XERCES_CPP_NAMESPACE::Locator* locator_ = nullptr;
  std::uint64_t lastLine_ = 0;
  std::uint64_t parserErrorLine_ = 0;
};

// Parses `source` with a hardened SAX2 reader that reports to `handler`
// (content, errors, lexical events and entity resolution). Exceptions of the
// handler and of Xerces pass through. Documents that declare EUC-JP are
// converted where the parser build lacks it.
void ParseHardened(TByteSource& source, TSaxHandlerBase& handler);

// One hardened parse of `source` that never throws for data errors: what
// stopped it (a TXmlStop the handler threw, the parser's own error, a read
// error of the source, memory) with the handler's place, or an empty Detail
// when the document was read to its end.
TXmlStop ParseToEnd(TByteSource& source, TSaxHandlerBase& handler);

// The same guards on a DOM parser, for a reader that builds the document
// tree: no validation, schema, XInclude or external DTD, every external
// entity resolved to nothing, and `security` (which outlives the parser) as
// its limits.
void HardenDomParser(XERCES_CPP_NAMESPACE::XercesDOMParser& dom,
                     XERCES_CPP_NAMESPACE::SecurityManager& security);

}  // namespace chizro
