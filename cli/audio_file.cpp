// Sound file output through libsndfile (see audio_file.h).
#include "cli/audio_file.h"

#include <sndfile.h>

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace zel::tool {

bool audio_file_format(const std::string& path, AudioFileFormat& format) {
  const size_t dot = path.find_last_of('.');
  const size_t slash = path.find_last_of('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return false;
  std::string ext = path.substr(dot + 1);
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
  if (ext == "wav") format = AudioFileFormat::kWav;
  else if (ext == "flac") format = AudioFileFormat::kFlac;
  else if (ext == "ogg") format = AudioFileFormat::kOgg;
  else return false;
  return true;
}

AudioFileWriter::~AudioFileWriter() {
  if (!file_) return;
  sf_close(static_cast<SNDFILE*>(file_));
  std::remove(path_.c_str());
}

bool AudioFileWriter::open(const std::string& path, int rate, int channels) {
  AudioFileFormat format;
  if (!audio_file_format(path, format)) {
    error_ = "unknown file type of " + path + " (use .wav, .flac or .ogg)";
    return false;
  }
  SF_INFO info{};
  info.samplerate = rate;
  info.channels = channels;
  switch (format) {
    case AudioFileFormat::kWav: info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16; break;
    case AudioFileFormat::kFlac: info.format = SF_FORMAT_FLAC | SF_FORMAT_PCM_16; break;
    case AudioFileFormat::kOgg: info.format = SF_FORMAT_OGG | SF_FORMAT_VORBIS; break;
  }
  SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
  if (!f) {
    error_ = "cannot write " + path + ": " + sf_strerror(nullptr);
    return false;
  }
  file_ = f;
  channels_ = channels;
  path_ = path;
  return true;
}

bool AudioFileWriter::write(const int16_t* samples, size_t frames) {
  auto* f = static_cast<SNDFILE*>(file_);
  if (!f) return false;
  const auto n = static_cast<sf_count_t>(frames);
  if (sf_writef_short(f, samples, n) != n) {
    error_ = "cannot write " + path_ + ": " + sf_strerror(f);
    return false;
  }
  return true;
}

bool AudioFileWriter::close() {
  auto* f = static_cast<SNDFILE*>(file_);
  if (!f) return false;
  file_ = nullptr;
  if (sf_close(f) != 0) {
    error_ = "cannot finish " + path_;
    std::remove(path_.c_str());
    return false;
  }
  return true;
}

}  // namespace zel::tool
