// The first bytes of a file, as the formats' recognition looks at them: the
// raw head, whether it is a zip or an XML document, the XML document's root
// element, the first line of a text file, and the names of a zip's members.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace chizro {

class TFileHead final {
public:
  // Reads the head of `fileName` (nothing when it cannot be read).
  explicit TFileHead(std::string fileName);

  const std::string& FileName() const noexcept { return fileName_; }
  // Up to kHeadSize bytes from the start.
  std::string_view Bytes() const noexcept { return bytes_; }
  bool StartsWith(std::string_view prefix) const noexcept;

  // A zip archive (a local file header first).
  bool IsZip() const noexcept;
  // The ".xml" and ".zip" members of the zip (one level), asked once; false
  // when the archive cannot be listed.
  bool ListMembers(std::vector<std::string>& members) const;

  // An XML document: a byte order mark or "<" first after blanks.
  bool IsXml() const noexcept { return xml_; }
  // The head of an XML document with zero bytes dropped (a UTF-16 head
  // narrowed: the markup and the names looked for are ASCII).
  std::string_view XmlText() const noexcept { return xmlText_; }
  // The local name of the root element (after any prefix), or empty.
  std::string_view XmlRoot() const noexcept { return xmlRoot_; }

  // Neither zip nor XML: a text or another binary file.
  bool IsText() const noexcept { return !xml_ && !IsZip(); }
  // The first line of the head, without its line end.
  std::string_view FirstLine() const noexcept;

  // Enough of a file's head to see its root element or its first lines.
  static constexpr std::size_t kHeadSize = 16384;

private:
  std::string fileName_;
  std::string bytes_;
  bool xml_ = false;
  std::string xmlText_;
  std::string xmlRoot_;
  mutable bool listed_ = false;
  mutable bool listOk_ = false;
  mutable std::vector<std::string> members_;
};

}  // namespace chizro
