#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Reading and writing audio files through libsndfile. Samples travel as
// interleaved doubles, full scale +-1; integer samples are scaled by a power
// of two both ways, so that a file read and written again at the same depth
// keeps every sample.

namespace pelmo {

// What the listening tools accept: rates and channel counts outside these
// are refused with a message rather than filtered.
inline constexpr int MinListenRate = 8000;
inline constexpr int MaxListenRate = 192000;
inline constexpr int MaxListenChannels = 8;
// Samples read from a file are held within this many times full scale
// (80 dB above it); NaN and infinities read as silence.
inline constexpr double LargestSample = 10000.0;

struct TAudioInfo {
    int SampleRate = 0;
    int Channels = 0;
    std::int64_t Frames = 0;
    int Format = 0;  // libsndfile's format code (container | encoding)

    double Seconds() const { return SampleRate > 0 ? static_cast<double>(Frames) / SampleRate : 0.0; }
    // "48000 Hz, 2 channels, 3:12.5, WAV 16-bit"
    std::string Describe() const;
};

// The containers the listening tools write, chosen by a file's extension.
enum class TAudioContainer { Wav, Flac, Ogg };
std::optional<TAudioContainer> ContainerForPath(const std::string& path);

class TAudioReader {
public:
    TAudioReader() = default;
    ~TAudioReader();
    TAudioReader(const TAudioReader&) = delete;
    TAudioReader& operator=(const TAudioReader&) = delete;

    // Opens a file and checks that the listening tools can take it; false
    // with a message for the user in `error` otherwise.
    bool Open(const std::string& path, std::string& error);
    void Close();
    bool IsOpen() const { return file_ != nullptr; }
    const TAudioInfo& Info() const { return info_; }

    // Up to `frames` frames into `interleaved`; fewer at the end of the file
    // (0 there). A read that fails midway (a damaged file) sets Failed().
    // Every sample is finite and within +-LargestSample.
    std::size_t Read(double* interleaved, std::size_t frames);
    bool Failed() const { return failed_; }
    const std::string& FailureText() const { return failure_; }
    // Back to the first frame.
    bool Rewind();

private:
    void* file_ = nullptr;
    TAudioInfo info_;
    bool failed_ = false;
    std::string failure_;
    std::string path_;
};

class TAudioWriter {
public:
    TAudioWriter() = default;
    ~TAudioWriter();
    TAudioWriter(const TAudioWriter&) = delete;
    TAudioWriter& operator=(const TAudioWriter&) = delete;

    // Creates `path` in the container its extension names (.wav, .flac,
    // .ogg/.oga). The encoding follows the source's where the container has
    // it: the same integer depth (FLAC: at most 24 bits), float WAV stays
    // float, anything lossy or unknown becomes 24-bit (WAV, FLAC); Ogg is
    // always Vorbis.
    bool Create(const std::string& path, int sampleRate, int channels, int sourceFormat, std::string& error);
    // Integer encodings get every sample rounded to the nearest code (ties
    // away from zero) and clipped at full scale; every sample beyond what
    // the encoding holds is counted.
    bool Write(const double* interleaved, std::size_t frames, std::string& error);
    bool Close(std::string& error);
    int Format() const { return format_; }
    std::int64_t ClippedSamples() const { return clipped_; }
    double Peak() const { return peak_; }

private:
    void* file_ = nullptr;
    int format_ = 0;
    int channels_ = 0;
    double top_ = 1.0;  // the largest positive sample the encoding holds
    double codes_ = 0;  // integer encodings: codes per unit (2^(bits-1)); 0 otherwise
    std::vector<double> rounded_;
    std::int64_t clipped_ = 0;
    double peak_ = 0.0;
    std::string path_;
};

}  // namespace pelmo
