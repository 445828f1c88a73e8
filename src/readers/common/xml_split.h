// Reading one large XML file on several cores: a document whose root holds a
// long run of records (the features of an FGD file), or whose root's
// children do (the 空間属性 and 主題属性 of a 地図XML file), is cut between
// two records into parts, and each part is parsed on its own, as a document
// of the root's start tag (with the enclosing section's), its records and
// the end tags.
//
// The cuts are found by a raw scan of the bytes around each target offset,
// which knows nothing of comments, CDATA or attribute values; what makes a
// cut sound is the parse itself: a part whose first record does not begin
// at the root's level, or whose text ends inside a comment, a CDATA
// section or an element, is not well-formed. A reader therefore takes the
// parts' results only when every part was read to its end without an error,
// and otherwise reads the file in one piece (which also gives the error its
// true line).
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "readers/common/zip_source.h"

namespace chizro {

// A part of a file: `Head`, then the file's bytes [Begin, End), then `Tail`.
struct TXmlPart {
  std::string Head;
  std::int64_t Begin = 0;
  std::int64_t End = 0;
  std::string Tail;
};

// Up to `parts` parts of the plain file `fileName` (a file on disk, not an
// archive member) of `size` bytes, cut before a child of the root that
// follows the end tag of another, at the first such place at or after each
// multiple of size / parts. The children's names are those met in the first
// 256 KiB after the root's start tag. Fewer parts (none: one part or less)
// when the file has a document type declaration, its root or its records
// cannot be found in that head, or no cut is found within 1 MiB of a target.
// EInOutError naming the file when it cannot be read.
std::vector<TXmlPart> SplitXmlRecords(const std::string& fileName, std::int64_t size,
                                      unsigned parts);

// A child of the root that holds records (the 空間属性 of a 地図XML file):
// its local name and its records' (UTF-8).
struct TXmlSection {
  std::string Name;
  std::vector<std::string> Records;
};

// The same for a document whose records are the children of the root's
// children named in `sections`: cut between two records of one section
// (told by their local names), each part after the first opens with the
// root's start tag and the section's start tag (without attributes, in the
// root's prefix), and each part before the last ends with the section's and
// the root's end tags. The parse checks the section: a part that is not in
// the section it was given ends at a wrong end tag. What it cannot check is
// a namespace declared on the section's own start tag, which the part's
// head does not repeat: a reader passes over the parts of a document that
// declares one there. None when the document declares an encoding other
// than UTF-8, has a document type declaration, or no cut is found.
std::vector<TXmlPart> SplitXmlSections(const std::string& fileName, std::int64_t size,
                                       unsigned parts, const std::vector<TXmlSection>& sections);

// The bytes of a part. Every read adds to `done`, and a part whose `report`
// is set tells the open's progress of `done` out of `size` (from the thread
// that opened the file: the progress is the calling thread's, and a cancel
// there ends the read with EOpenCancelled). Once `stop` is set, reads end
// the part with an error.
std::unique_ptr<TByteSource> OpenXmlPart(const std::string& fileName, const TXmlPart& part,
                                         std::atomic<std::int64_t>& done, std::int64_t size,
                                         const std::atomic<bool>& stop, bool report);

}  // namespace chizro
