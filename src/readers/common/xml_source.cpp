#include "readers/common/xml_source.h"

#include "readers/common/utf8_guard.h"

#include <zip.h>
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
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "model/open_progress.h"
#include "platform/errors.h"
#include "platform/file_path.h"
#include "platform/text_case.h"
#include "readers/common/euc_jp.h"
#include "readers/common/reader_util.h"
#include "readers/common/xml_text.h"

namespace chizro {

namespace xc = XERCES_CPP_NAMESPACE;

namespace {

// Entity expansions allowed to the scanner. Documents with a document type
// declaration are refused by the handlers, so this only backs that rule up.
constexpr XMLSize_t kEntityExpansionLimit = 100;
constexpr std::size_t kReadChunk = 64 * 1024;

class TFileSource final : public TByteSource {
public:
  explicit TFileSource(const std::string& fileName)
      : file_(OpenFile(fileName, "rb")), name_(PathForMessage(fileName)) {
    if (!file_) throw EInOutError(Quoted(fileName) + " を開けません");
    std::error_code ec;
    const auto size = std::filesystem::file_size(FsPath(fileName), ec);
    size_ = ec ? 0 : static_cast<std::int64_t>(size);
  }
  ~TFileSource() override { std::fclose(file_); }
  std::size_t Read(void* buffer, std::size_t size) override {
    const std::size_t n = std::fread(buffer, 1, size, file_);
    if (n < size && std::ferror(file_)) Error = "読み込みに失敗しました";
    read_ += static_cast<std::int64_t>(n);
    // The window shows how far a large file is read, and may stop here.
    ReportOpenBytes(name_, read_, size_);
    return n;
  }

private:
  std::FILE* file_;
  std::string name_;
  std::int64_t size_ = 0;
  std::int64_t read_ = 0;
};

// An open archive, closed at scope exit: a file, or bytes held in memory (a
// zip read out of another zip).
class TZipArchive final {
public:
  explicit TZipArchive(const std::string& fileName) : name_(fileName) {
    zip_error_t e;
    zip_error_init(&e);
#ifdef _WIN32
    // By the UTF-16 name: zip_open would take the name in the ANSI code page.
    zip_source_t* source =
        zip_source_win32w_create(FsPath(fileName).c_str(), 0, -1, &e);  // -1: to the end
    if (source) {
      zip_ = zip_open_from_source(source, ZIP_RDONLY, &e);
      if (!zip_) zip_source_free(source);
    }
#else
    int error = 0;
    zip_ = zip_open(fileName.c_str(), ZIP_RDONLY, &error);
    if (!zip_) zip_error_set(&e, error, 0);
#endif
    Check(&e);
  }
  TZipArchive(std::string name, std::string bytes)
      : name_(std::move(name)), bytes_(std::move(bytes)) {
    zip_error_t e;
    zip_error_init(&e);
    zip_source_t* source = zip_source_buffer_create(bytes_.data(), bytes_.size(), 0, &e);
    if (source) {
      zip_ = zip_open_from_source(source, ZIP_RDONLY, &e);
      if (!zip_) zip_source_free(source);
    }
    Check(&e);
  }
  ~TZipArchive() { zip_discard(zip_); }
  TZipArchive(const TZipArchive&) = delete;
  TZipArchive& operator=(const TZipArchive&) = delete;

  zip_t* Get() const noexcept { return zip_; }
  const std::string& Name() const noexcept { return name_; }

  // Names of the members in archive order (directories left out).
  std::vector<std::string> Members() const {
    std::vector<std::string> names;
    const zip_int64_t n = zip_get_num_entries(zip_, 0);
    for (zip_int64_t i = 0; i < n; ++i) {
      const char* name = zip_get_name(zip_, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_RAW);
      if (name && *name && name[std::strlen(name) - 1] != '/') names.emplace_back(name);
    }
    return names;
  }

  zip_file_t* OpenMember(const std::string& member) const {
    const zip_int64_t index = zip_name_locate(zip_, member.c_str(), ZIP_FL_ENC_RAW);
    zip_file_t* file =
        index >= 0 ? zip_fopen_index(zip_, static_cast<zip_uint64_t>(index), 0) : nullptr;
    if (!file) throw EInOutError(Quoted(LeafPathOf(name_, member)) + " を書庫から読み出せません");
    return file;
  }

  // The member's size unpacked [bytes]; 0 when the archive does not say.
  std::int64_t MemberSize(const std::string& member) const {
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat(zip_, member.c_str(), ZIP_FL_ENC_RAW, &stat) != 0 ||
        !(stat.valid & ZIP_STAT_SIZE))
      return 0;
    return static_cast<std::int64_t>(stat.size);
  }

  // A member read whole, for a zip inside the zip.
  std::unique_ptr<TZipArchive> OpenNested(const std::string& member) const {
    zip_file_t* file = OpenMember(member);
    std::string bytes;
    std::string chunk(kReadChunk, '\0');
    for (;;) {
      const zip_int64_t n = zip_fread(file, chunk.data(), chunk.size());
      if (n < 0) {
        const std::string why = zip_file_strerror(file);
        zip_fclose(file);
        throw EInOutError(Quoted(LeafPathOf(name_, member)) + " の展開に失敗しました: " + why);
      }
      if (n == 0) break;
      if (bytes.size() + static_cast<std::size_t>(n) > kMaxNestedArchive) {
        zip_fclose(file);
        throw EInOutError(Quoted(LeafPathOf(name_, member)) + " は大きすぎます");
      }
      bytes.append(chunk.data(), static_cast<std::size_t>(n));
    }
    zip_fclose(file);
    return std::make_unique<TZipArchive>(LeafPathOf(name_, member), std::move(bytes));
  }

private:
  void Check(zip_error_t* e) {
    if (!zip_) {
      const std::string why = zip_error_strerror(e);
      zip_error_fini(e);
      throw EInOutError(Quoted(name_) + " は zip 書庫として開けません: " + why);
    }
    zip_error_fini(e);
  }

  std::string name_;
  std::string bytes_;  // the archive itself when it came out of another one
  zip_t* zip_ = nullptr;
};

class TZipMemberSource final : public TByteSource {
public:
  explicit TZipMemberSource(const TLeafPath& path) : outer_(path.Archive) {
    const TZipArchive* archive = &outer_;
    for (std::size_t i = 0; i + 1 < path.Members.size(); ++i) {
      inner_.push_back(archive->OpenNested(path.Members[i]));
      archive = inner_.back().get();
    }
    file_ = archive->OpenMember(path.Members.back());
    size_ = archive->MemberSize(path.Members.back());
    name_ = PathForMessage(path.Members.back());
  }
  ~TZipMemberSource() override { zip_fclose(file_); }
  std::size_t Read(void* buffer, std::size_t size) override {
    const zip_int64_t n = zip_fread(file_, buffer, size);
    if (n < 0) {
      Error = std::string("書庫の展開に失敗しました: ") + zip_file_strerror(file_);
      return 0;
    }
    read_ += n;
    // A large member alone in its archive shows its progress as a file does.
    ReportOpenBytes(name_, read_, size_);
    return static_cast<std::size_t>(n);
  }

private:
  std::string name_;
  std::int64_t size_ = 0;
  std::int64_t read_ = 0;
  TZipArchive outer_;
  std::vector<std::unique_ptr<TZipArchive>> inner_;
  zip_file_t* file_ = nullptr;
};

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

bool EndsWithAny(const std::string& name, const std::vector<std::string_view>& endings) {
  return std::any_of(endings.begin(), endings.end(),
                     [&](std::string_view e) { return EndsWithNoCase(name, e); });
}

}  // namespace

bool EndsWithNoCase(const std::string& s, std::string_view tail) {
  return s.size() >= tail.size() && LowerAscii(s.substr(s.size() - tail.size())) == tail;
}

TLeafPath SplitLeafPath(const std::string& fileName) {
  // Each level ends in ".zip|"; a name inside an archive may hold any byte
  // but the separator, which Shift_JIS never uses as a trailing byte.
  const std::string lower = LowerAscii(fileName);
  const std::string marker = std::string(".zip") + kMemberSeparator;
  TLeafPath path;
  std::size_t at = lower.find(marker);
  if (at == std::string::npos) {
    path.Archive = fileName;
    return path;
  }
  path.Archive = fileName.substr(0, at + 4);
  std::size_t from = at + marker.size();
  while ((at = lower.find(marker, from)) != std::string::npos) {
    path.Members.push_back(fileName.substr(from, at + 4 - from));
    from = at + marker.size();
  }
  path.Members.push_back(fileName.substr(from));
  return path;
}

std::string LeafPathOf(const std::string& archive, const std::string& member) {
  return archive + kMemberSeparator + member;
}

std::string InnermostName(const std::string& leafFileName) {
  const TLeafPath path = SplitLeafPath(leafFileName);
  return path.Members.empty() ? path.Archive : path.Members.back();
}

std::unique_ptr<TByteSource> OpenSource(const std::string& leafFileName) {
  const TLeafPath path = SplitLeafPath(leafFileName);
  if (path.Members.empty()) return std::make_unique<TFileSource>(path.Archive);
  return std::make_unique<TZipMemberSource>(path);
}

std::vector<std::string> ArchiveMembers(const std::string& archive,
                                        const std::vector<std::string_view>& endings, bool nested) {
  std::vector<std::string> paths;
  const TZipArchive zip(archive);
  for (const std::string& member : zip.Members()) {
    if (EndsWithAny(member, endings)) {
      paths.push_back(LeafPathOf(archive, member));
    } else if (nested && EndsWithNoCase(member, ".zip")) {
      const std::unique_ptr<TZipArchive> inner = zip.OpenNested(member);
      for (const std::string& innerMember : inner->Members())
        if (EndsWithAny(innerMember, endings))
          paths.push_back(LeafPathOf(inner->Name(), innerMember));
    }
  }
  return paths;
}

namespace {

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
           Utf8Of(message ? std::u16string_view(message) : std::u16string_view()) + " (列 " +
           std::to_string(e.getColumnNumber()) + ")",
       TErrorPlace::Line(parserErrorLine_));
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
    result.Detail = Utf8Of(View(e.getMessage()));
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
