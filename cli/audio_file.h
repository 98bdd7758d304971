// Sound files written by zelvorant-tool's render commands, through libsndfile.
// The format follows the file name's extension: .wav (16-bit PCM), .flac
// (16-bit) or .ogg (Vorbis). Samples are signed 16-bit, interleaved, and
// written block by block as they are rendered, so memory stays flat however
// long the render. Main thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace zel::tool {

enum class AudioFileFormat { kWav, kFlac, kOgg };

// The format for `path`'s extension (case ignored); false for any other.
bool audio_file_format(const std::string& path, AudioFileFormat& format);

// "OUT.wav|.flac|.ogg": for usage lines.
inline constexpr const char* kAudioFileKinds = "OUT.wav|.flac|.ogg";

class AudioFileWriter {
 public:
  AudioFileWriter() = default;
  ~AudioFileWriter();  // an unfinished file is closed and removed
  AudioFileWriter(const AudioFileWriter&) = delete;
  AudioFileWriter& operator=(const AudioFileWriter&) = delete;

  // Creates `path` for `channels` channels at `rate` frames per second in
  // the format of its extension. False, with the reason in error(), when
  // the extension is unknown or the file cannot be created.
  bool open(const std::string& path, int rate, int channels);
  // Appends `frames` frames (frames x channels values). False on a write error.
  bool write(const int16_t* samples, size_t frames);
  // Finishes the file (headers, last encoded pages). False on an error, after
  // which the file is removed.
  bool close();
  const std::string& error() const { return error_; }

 private:
  void* file_ = nullptr;  // SNDFILE*
  int channels_ = 0;
  std::string path_;
  std::string error_;
};

}  // namespace zel::tool
