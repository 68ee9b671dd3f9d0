#include "fake_print_job.h"

#include "common/print_job.h"
#include "support/temp_folder.h"

FakePrintJob& FakePrint() {
  static FakePrintJob job;
  return job;
}

void ResetFakePrint() { FakePrint() = FakePrintJob{}; }

void PrintCardFace(HWND owner, const CardFaceText& text, int count, const wchar_t* photoPath) {
  FakePrintJob& job = FakePrint();
  ++job.calls;
  job.owner = owner;
  job.count = count;
  job.text = text;
  if (job.whileDialogOpen) job.whileDialogOpen();
  job.photo = photoPath[0] == L'\0' ? std::string() : ReadWholeFile(photoPath);
}
