#include "tests/robust/CBurnRig.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

namespace fs = std::filesystem;

CBurnRig::CBurnRig() {
  for (const char* lib : {"cantrel.ocx", "libimapisvc.so"}) {
    auto r = testsupport::RunProcess({Bin("regsvr"), Bin(lib)});
    if (r.status != 0) {
      m_strProblem = std::string("regsvr ") + lib + ": " + r.err;
      return;
    }
  }
  m_bReady = true;
}

std::string CBurnRig::AddRecorder(unsigned nSpeed) {
  m_recorders.push_back(std::make_unique<testsupport::TempDir>());
  const std::string folder = m_recorders.back()->Path();
  std::vector<std::string> argv = {Bin("discmaster"), "add-virtual", "--folder", folder, "--minutes", "74"};
  argv.push_back("--speed");
  argv.push_back(nSpeed ? std::to_string(nSpeed) : "max");
  auto r = testsupport::RunProcess(argv);
  if (r.status != 0) {
    m_bReady = false;
    m_strProblem = "discmaster add-virtual: " + r.err;
  }
  return folder;
}

std::vector<uint8_t> CBurnRig::MakeWav(const std::string& name, uint32_t nBlocks, uint32_t nExtra) {
  auto audio = testsupport::MakeWav(m_files.File(name), nBlocks * 2352 + nExtra);
  audio.resize((audio.size() + 2351) / 2352 * 2352, 0);
  return audio;
}

std::vector<std::string> CBurnRig::Images(const std::string& folder) {
  std::vector<std::string> r;
  for (const auto& e : fs::directory_iterator(folder)) {
    std::string name = e.path().filename().string();
    std::string ext = e.path().extension().string();
    if (name.rfind("disc-", 0) == 0 && (ext == ".bin" || ext == ".cue")) r.push_back(e.path().stem().string());
  }
  std::sort(r.begin(), r.end());
  r.erase(std::unique(r.begin(), r.end()), r.end());
  return r;
}

std::vector<std::string> CBurnRig::WorkFiles(const std::string& folder) {
  std::vector<std::string> r;
  for (const auto& e : fs::directory_iterator(folder)) {
    std::string name = e.path().filename().string();
    if (name.rfind(".stash-", 0) == 0 || name.find(".tmp-") != std::string::npos) r.push_back(name);
  }
  std::sort(r.begin(), r.end());
  return r;
}

std::map<std::string, std::string> CBurnRig::Tray(const std::string& folder) {
  std::map<std::string, std::string> r;
  std::ifstream in(folder + "/.tray");
  for (std::string line; std::getline(in, line);) {
    auto eq = line.find('=');
    if (eq != std::string::npos) r[line.substr(0, eq)] = line.substr(eq + 1);
  }
  return r;
}
