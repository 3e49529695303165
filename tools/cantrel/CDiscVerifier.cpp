#include "tools/cantrel/CDiscVerifier.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <memory>

#include "control/tracks/CWavFile.h"
#include "platform/com/Apartment.h"
#include "platform/com/ResultMacros.h"
#include "platform/com/Utf.h"
#include "platform/imapi/verify/CAudioComparer.h"
#include "tools/automate/ValueText.h"
#include "tools/cantrel/CBurnProgress.h"
#include "tools/cantrel/CErrorTexts.h"
#include "platform/imapi/verify/CReadbackDiscSource.h"
#include "tools/cantrel/CWavTrackSource.h"

namespace {

std::string Plural(uint64_t n, const char* word) {
  return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
}

std::string Verdict(const TrackVerdict& v) {
  switch (v.kind) {
    case TrackVerdict::Kind::Identical:
      return "identical";
    case TrackVerdict::Kind::Differs:
      return "differs from " + CAudioComparer::FormatTime(v.firstDiffering) + " (sample " +
             std::to_string(v.firstDiffering) + "), " + Plural(v.differing, "sample") + " differ" +
             (v.differing == 1 ? "s" : "");
    case TrackVerdict::Kind::Missing:
      return "missing from the disc";
    case TrackVerdict::Kind::WrongLength:
      return "wrong length: " + Plural(v.discBlocks, "block") + " on the disc, " +
             Plural(v.expectedBlocks, "block") + " in the file";
  }
  return {};
}

}  // namespace

CDiscVerifier::~CDiscVerifier() {
  if (m_reader) IgnoreResult(m_reader->Close(), "the recorder is given back either way");
}

CDiscVerifier::Result CDiscVerifier::Open(int nDrive, std::string* pWhy) {
  m_nDrive = nDrive;
  const std::string recorder = "recorder " + std::to_string(nDrive);
  HRESULT hr = CoCreateInstance(CLSID_DiscAudioReadback, nullptr, CLSCTX_INPROC_SERVER, IID_IDiscAudioReadback,
                                m_reader.ReleaseAndGetVoidAddress());
  if (FAILED(hr)) {
    *pWhy = "the disc-mastering service cannot read discs back (" + FormatHresult(hr) +
            "); register it again with regsvr libimapisvc.so";
    return Result::Failed;
  }
  hr = m_reader->OpenRecorder(nDrive);
  switch (hr) {
    case S_OK:
      return Result::Identical;
    case IMAPI_E_DEVICE_NOTPRESENT:
      *pWhy = "there is no " + recorder + "; 'cantrel drives' lists them";
      m_reader = nullptr;
      return Result::NoSuchRecorder;
    case IMAPI_E_DEVICE_STILL_IN_USE:
      *pWhy = recorder + " is in use by another program";
      m_reader = nullptr;
      return Result::Busy;
    case IMAPI_E_DEVICE_NOTACCESSIBLE:
      *pWhy = recorder + " may not be opened by this user";
      break;
    case IMAPI_E_MEDIUM_NOTPRESENT:
      *pWhy = "there is no disc in " + recorder;
      break;
    case IMAPI_E_MEDIUM_INVALIDTYPE:
      *pWhy = "the disc in " + recorder + " is blank or holds no audio tracks";
      break;
    case IMAPI_E_INVALIDIMAGE:
      *pWhy = "the disc image of " + recorder + " is damaged or cut short";
      break;
    default:
      *pWhy = "cannot read the disc in " + recorder + " (" + FormatHresult(hr) + ")";
      break;
  }
  m_reader = nullptr;
  return Result::Failed;
}

bool CDiscVerifier::OpenFiles(const std::vector<std::string>& files, std::string* pWhy) {
  m_files = files;
  for (const std::string& file : files) {
    const CWavFile::Format format = CWavFile::FileFormat(Utf8ToUtf16(file));
    if (format.nCheck != CWavFile::kAccepted) {
      *pWhy = file + ": " + CErrorTexts::TrackRefusal(format.nCheck, ::access(file.c_str(), R_OK) == 0);
      return false;
    }
    if (!CWavFile::Burnable(format)) {
      *pWhy = file + ": " + CErrorTexts::FormatRefusal(CWavFile::Describe(format));
      return false;
    }
    auto track = std::make_unique<CWavTrackSource>();
    if (!track->Open(file)) {
      *pWhy = file + ": holds no audio that can be read";
      return false;
    }
    m_tracks.push_back(std::move(track));
  }
  return true;
}

CDiscVerifier::Result CDiscVerifier::Compare(bool bTerminal, std::string* pWhy) {
  const std::vector<std::string>& files = m_files;
  std::vector<CExpectedTrack*> expected;
  for (auto& track : m_tracks) expected.push_back(track.get());

  std::printf("Verifying %s against the disc in recorder %d\n", Plural(files.size(), "track").c_str(), m_nDrive);
  std::fflush(stdout);
  CReadbackDiscSource disc(m_reader);
  CBurnProgress progress(bTerminal);
  const auto start = std::chrono::steady_clock::now();
  auto show = [&](uint64_t done, uint64_t total) {
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const std::string line = progress.Blocks(static_cast<long>(done), static_cast<long>(total), elapsed);
    std::fputs(line.c_str(), stdout);
    std::fflush(stdout);
    return true;
  };
  DiscVerdict verdict;
  const CAudioComparer::Outcome outcome = CAudioComparer(disc).Compare(expected, &verdict, show);
  std::fputs(progress.Finish().c_str(), stdout);
  if (outcome == CAudioComparer::Outcome::DiscUnreadable) {
    *pWhy = "the disc could not be read (" + FormatHresult(disc.LastError()) + ")";
    return Result::Failed;
  }
  if (outcome != CAudioComparer::Outcome::Compared) {
    *pWhy = "a file could not be read to its end";
    return Result::Failed;
  }

  if (verdict.offsetFound && verdict.offset != 0)
    std::printf("Read offset: %+d samples\n", verdict.offset);
  else if (!verdict.offsetFound && !verdict.Identical())
    std::printf("No read offset within %d samples either way matches the first track; compared without one.\n",
                CAudioComparer::kOffsetWindow);
  for (size_t i = 0; i < verdict.tracks.size(); ++i)
    std::printf("Track %zu (%s): %s\n", i + 1, files[i].c_str(), Verdict(verdict.tracks[i]).c_str());
  if (verdict.extraTracks)
    std::printf("The disc holds %s more than the files.\n", Plural(verdict.extraTracks, "track").c_str());
  const bool bSame = verdict.Identical();
  std::printf("%s\n", bSame ? "The disc is identical to its files." : "The disc differs from its files.");
  return bSame ? Result::Identical : Result::Differs;
}

HRESULT CDiscVerifier::Eject() { return m_reader ? m_reader->Eject() : IMAPI_E_NOTOPENED; }
