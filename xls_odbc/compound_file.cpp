#include "xls_odbc/compound_file.h"

#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-stdio.h>
#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-stdio.h>
#include <gsf/gsf-utils.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace xls {
namespace {

constexpr char kWorkbookStream[] = "Workbook";
constexpr std::size_t kCopyChunk = 64 * 1024;

struct GObjectUnref {
  void operator()(void* object) const { g_object_unref(object); }
};
template <typename T>
using GObjectPtr = std::unique_ptr<T, GObjectUnref>;

struct GErrorFree {
  void operator()(GError* error) const { g_error_free(error); }
};
using GErrorPtr = std::unique_ptr<GError, GErrorFree>;

void InitLibrary() {
  static const bool initialised = [] {
    gsf_init();
    return true;
  }();
  (void)initialised;
}

CompoundStatus OpenCompoundFile(const std::string& path, GObjectPtr<GsfInfile>& file) {
  InitLibrary();
  GError* rawError = nullptr;
  GObjectPtr<GsfInput> input(gsf_input_stdio_new(path.c_str(), &rawError));
  GErrorPtr error(rawError);
  if (!input) return CompoundStatus::kCannotOpen;
  file.reset(gsf_infile_msole_new(input.get(), &rawError));
  error.reset(rawError);
  return file ? CompoundStatus::kOk : CompoundStatus::kNotCompoundFile;
}

bool ReadAll(GsfInput* input, std::vector<std::uint8_t>& bytes) {
  const gsf_off_t size = gsf_input_size(input);
  if (size < 0) return false;
  bytes.resize(static_cast<std::size_t>(size));
  return size == 0 || gsf_input_read(input, bytes.size(), bytes.data()) != nullptr;
}

bool WriteStream(GsfOutfile* parent, const char* name, std::span<const std::uint8_t> bytes) {
  GObjectPtr<GsfOutput> child(gsf_outfile_new_child(parent, name, FALSE));
  if (!child) return false;
  bool ok = true;
  for (std::size_t done = 0; ok && done < bytes.size(); done += kCopyChunk)
    ok = gsf_output_write(child.get(), std::min(kCopyChunk, bytes.size() - done), bytes.data() + done);
  return gsf_output_close(child.get()) && ok;
}

// Copies the children of a storage, leaving out the workbook stream at the
// top level, which the caller writes itself.
bool CopyChildren(GsfInfile* from, GsfOutfile* to, bool topLevel) {
  for (int i = 0; i < gsf_infile_num_children(from); ++i) {
    const char* name = gsf_infile_name_by_index(from, i);
    if (!name || (topLevel && std::strcmp(name, kWorkbookStream) == 0)) continue;
    GObjectPtr<GsfInput> child(gsf_infile_child_by_index(from, i));
    if (!child) return false;
    GsfInfile* storage = GSF_IS_INFILE(child.get()) && gsf_infile_num_children(GSF_INFILE(child.get())) >= 0
                             ? GSF_INFILE(child.get())
                             : nullptr;
    if (storage) {
      GObjectPtr<GsfOutput> folder(gsf_outfile_new_child(to, name, TRUE));
      if (!folder || !CopyChildren(storage, GSF_OUTFILE(folder.get()), false)) return false;
      if (!gsf_output_close(folder.get())) return false;
      continue;
    }
    std::vector<std::uint8_t> bytes;
    if (!ReadAll(child.get(), bytes) || !WriteStream(to, name, bytes)) return false;
  }
  return true;
}

std::string ErrorText(GsfOutput* output, const char* fallback) {
  const GError* error = output ? gsf_output_error(output) : nullptr;
  return error && error->message ? error->message : fallback;
}

}  // namespace

CompoundStatus ReadWorkbookStream(const std::string& path, std::vector<std::uint8_t>& stream) {
  GObjectPtr<GsfInfile> file;
  if (CompoundStatus status = OpenCompoundFile(path, file); status != CompoundStatus::kOk) return status;
  GObjectPtr<GsfInput> workbook(gsf_infile_child_by_name(file.get(), kWorkbookStream));
  if (!workbook) return CompoundStatus::kNoWorkbookStream;
  return ReadAll(workbook.get(), stream) ? CompoundStatus::kOk : CompoundStatus::kNotCompoundFile;
}

CompoundStatus WriteWithWorkbookStream(const std::string& source, std::FILE* sink,
                                       std::span<const std::uint8_t> workbook, std::string& error) {
  GObjectPtr<GsfInfile> original;
  if (CompoundStatus status = OpenCompoundFile(source, original); status != CompoundStatus::kOk) {
    error = "the workbook cannot be read again";
    return status;
  }
  GObjectPtr<GsfOutput> output(gsf_output_stdio_new_FILE("workbook", sink, TRUE));
  if (!output) {
    error = "the file cannot be written";
    return CompoundStatus::kCannotWrite;
  }
  GObjectPtr<GsfOutfile> file(gsf_outfile_msole_new(output.get()));
  guint8 classId[16];
  if (gsf_infile_msole_get_class_id(GSF_INFILE_MSOLE(original.get()), classId))
    gsf_outfile_msole_set_class_id(GSF_OUTFILE_MSOLE(file.get()), classId);
  bool ok = WriteStream(file.get(), kWorkbookStream, workbook) && CopyChildren(original.get(), file.get(), true);
  // Closing the compound file closes its sink too.
  ok = gsf_output_close(GSF_OUTPUT(file.get())) && ok;
  if (!ok) {
    error = ErrorText(output.get(), "the file cannot be written");
    return CompoundStatus::kCannotWrite;
  }
  return CompoundStatus::kOk;
}

}  // namespace xls
