#include "support/emulator_cards.h"

#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {
// The host's file system, as Wine shows it.
std::filesystem::path HostPath(const std::string& path) {
  return std::filesystem::path(L"Z:" + std::filesystem::path(path).wstring());
}

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

std::string ParentOf(const std::string& path) { return path.substr(0, path.find_last_of('/')); }
}  // namespace

EmulatorCards::EmulatorCards(std::string folder, std::string sampleCard)
    : folder_(std::move(folder)), sampleCard_(std::move(sampleCard)) {
  std::filesystem::create_directories(HostPath(folder_));
}

std::wstring EmulatorCards::IdNumber(int index) {
  wchar_t number[20];
  std::swprintf(number, 20, L"99052119920314%03dX", index);
  return number;
}

std::string EmulatorCards::Variant(int index, bool undecodablePhoto) const {
  std::ifstream sample(HostPath(sampleCard_));
  std::ostringstream card;
  for (std::string line; std::getline(sample, line);) {
    if (line.rfind("id=", 0) == 0) {
      card << "id=" << Narrow(IdNumber(index)) << "\n";
    } else if (line.rfind("portrait=", 0) == 0) {
      if (!undecodablePhoto) card << "portrait=" << ParentOf(sampleCard_) << "/" << line.substr(9) << "\n";
    } else {
      card << line << "\n";
    }
  }
  const std::string base = folder_ + "/variant-" + std::to_string(index);
  if (undecodablePhoto) {
    std::ofstream(HostPath(base + ".wlt"), std::ios::binary) << std::string(1024, '\x5A');
    card << "photo_wlt=" << base << ".wlt\n";
  }
  std::ofstream(HostPath(base + ".card"), std::ios::binary) << card.str();
  return base + ".card";
}
