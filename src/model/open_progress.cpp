#include "model/open_progress.h"

namespace chizro {
namespace {

thread_local TOpenProgress* current = nullptr;

}  // namespace

TOpenProgressScope::TOpenProgressScope(TOpenProgress* progress) : previous_(current) {
  current = progress;
}

TOpenProgressScope::~TOpenProgressScope() { current = previous_; }

void ReportOpenFiles(const std::string& name, std::int64_t done, std::int64_t total) {
  if (!current) return;
  current->Files(name, done, total);
  if (current->Cancelled()) throw EOpenCancelled();
}

void ReportOpenBytes(const std::string& name, std::int64_t done, std::int64_t total) {
  if (!current) return;
  current->Bytes(name, done, total);
  if (current->Cancelled()) throw EOpenCancelled();
}

}  // namespace chizro
