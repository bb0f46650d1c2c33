#include "audio/AudioFile.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>

#include "base/Text.h"

namespace pelmo {

namespace {

SNDFILE* Handle(void* p) { return static_cast<SNDFILE*>(p); }

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

// libsndfile's reason, without the full stop it ends some with.
std::string Reason(SNDFILE* f) {
    std::string r = sf_strerror(f);
    while (!r.empty() && (r.back() == '.' || r.back() == '\n' || r.back() == ' ')) r.pop_back();
    return r;
}

const char* ContainerName(int format) {
    switch (format & SF_FORMAT_TYPEMASK) {
        case SF_FORMAT_WAV:
        case SF_FORMAT_WAVEX:
        case SF_FORMAT_RF64:
        case SF_FORMAT_W64:
            return "WAV";
        case SF_FORMAT_FLAC:
            return "FLAC";
        case SF_FORMAT_OGG:
            return "Ogg";
        case SF_FORMAT_AIFF:
            return "AIFF";
        case SF_FORMAT_CAF:
            return "CAF";
        case SF_FORMAT_AU:
            return "AU";
        case SF_FORMAT_MPEG:
            return "MPEG";
        default:
            return "audio";
    }
}

const char* EncodingName(int format) {
    switch (format & SF_FORMAT_SUBMASK) {
        case SF_FORMAT_PCM_S8:
        case SF_FORMAT_PCM_U8:
            return "8-bit";
        case SF_FORMAT_PCM_16:
            return "16-bit";
        case SF_FORMAT_PCM_24:
            return "24-bit";
        case SF_FORMAT_PCM_32:
            return "32-bit";
        case SF_FORMAT_FLOAT:
            return "32-bit float";
        case SF_FORMAT_DOUBLE:
            return "64-bit float";
        case SF_FORMAT_VORBIS:
            return "Vorbis";
        case SF_FORMAT_OPUS:
            return "Opus";
        case SF_FORMAT_MPEG_LAYER_III:
            return "MP3";
        default:
            return "";
    }
}

// The largest positive sample an encoding holds (integers: one code below
// full scale); floats hold anything.
double TopOf(int format) {
    switch (format & SF_FORMAT_SUBMASK) {
        case SF_FORMAT_PCM_S8:
        case SF_FORMAT_PCM_U8:
            return 127.0 / 128.0;
        case SF_FORMAT_PCM_16:
            return 32767.0 / 32768.0;
        case SF_FORMAT_PCM_24:
            return 8388607.0 / 8388608.0;
        case SF_FORMAT_PCM_32:
            return 2147483647.0 / 2147483648.0;
        case SF_FORMAT_VORBIS:
            return 1.0;  // players clip there
        default:
            return std::numeric_limits<double>::infinity();
    }
}

// Codes per unit of an integer encoding; 0 for the others.
double CodesOf(int format) {
    switch (format & SF_FORMAT_SUBMASK) {
        case SF_FORMAT_PCM_S8:
        case SF_FORMAT_PCM_U8:
            return 128.0;
        case SF_FORMAT_PCM_16:
            return 32768.0;
        case SF_FORMAT_PCM_24:
            return 8388608.0;
        case SF_FORMAT_PCM_32:
            return 2147483648.0;
        default:
            return 0.0;
    }
}

// The encoding of a written file: the source's where the container has it.
int EncodingFor(TAudioContainer c, int sourceFormat) {
    const int src = sourceFormat & SF_FORMAT_SUBMASK;
    switch (c) {
        case TAudioContainer::Wav:
            switch (src) {
                case SF_FORMAT_PCM_U8:
                case SF_FORMAT_PCM_S8:
                    return SF_FORMAT_PCM_U8;
                case SF_FORMAT_PCM_16:
                case SF_FORMAT_PCM_24:
                case SF_FORMAT_PCM_32:
                case SF_FORMAT_FLOAT:
                case SF_FORMAT_DOUBLE:
                    return src;
                default:
                    return SF_FORMAT_PCM_24;
            }
        case TAudioContainer::Flac:
            switch (src) {
                case SF_FORMAT_PCM_U8:
                case SF_FORMAT_PCM_S8:
                    return SF_FORMAT_PCM_S8;
                case SF_FORMAT_PCM_16:
                    return SF_FORMAT_PCM_16;
                default:
                    return SF_FORMAT_PCM_24;
            }
        case TAudioContainer::Ogg:
            return SF_FORMAT_VORBIS;
    }
    return SF_FORMAT_PCM_24;
}

int ContainerCode(TAudioContainer c) {
    switch (c) {
        case TAudioContainer::Wav:
            return SF_FORMAT_WAV;
        case TAudioContainer::Flac:
            return SF_FORMAT_FLAC;
        case TAudioContainer::Ogg:
            return SF_FORMAT_OGG;
    }
    return SF_FORMAT_WAV;
}

std::string Duration(double seconds) {
    const long tenths = std::lround(seconds * 10.0);
    char buf[40];
    std::snprintf(buf, sizeof buf, "%ld:%02ld.%ld", tenths / 600, (tenths / 10) % 60, tenths % 10);
    return buf;
}

}  // namespace

std::string TAudioInfo::Describe() const {
    std::string s = std::to_string(SampleRate) + " Hz, " + std::to_string(Channels) +
                    (Channels == 1 ? " channel, " : " channels, ") + Duration(Seconds()) + ", " + ContainerName(Format);
    const std::string enc = EncodingName(Format);
    if (!enc.empty()) s += " " + enc;
    return s;
}

std::optional<TAudioContainer> ContainerForPath(const std::string& path) {
    const std::string ext = UpperCase(std::filesystem::path(path).extension().string());
    if (ext == ".WAV") return TAudioContainer::Wav;
    if (ext == ".FLAC") return TAudioContainer::Flac;
    if (ext == ".OGG" || ext == ".OGA") return TAudioContainer::Ogg;
    return std::nullopt;
}

TAudioReader::~TAudioReader() { Close(); }

void TAudioReader::Close() {
    if (file_) sf_close(Handle(file_));
    file_ = nullptr;
    info_ = {};
    failed_ = false;
    failure_.clear();
}

bool TAudioReader::Open(const std::string& path, std::string& error) {
    Close();
    path_ = path;
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        error = "The audio file " + Quoted(path) + " does not exist.";
        return false;
    }
    if (std::filesystem::is_directory(path, ec)) {
        error = Quoted(path) + " is a folder, not an audio file.";
        return false;
    }
    SF_INFO sf{};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &sf);
    if (!f) {
        error = "Cannot read the audio file " + Quoted(path) + ": " + Reason(nullptr) +
                ". Pelmo reads WAV, FLAC, Ogg and the other formats of libsndfile.";
        return false;
    }
    TAudioInfo info{sf.samplerate, sf.channels, sf.frames, sf.format};
    if (info.Channels < 1 || info.Channels > MaxListenChannels) {
        error = "The audio file " + Quoted(path) + " has " + std::to_string(info.Channels) +
                " channels; listening takes 1 to " + std::to_string(MaxListenChannels) + ".";
    } else if (info.SampleRate < MinListenRate || info.SampleRate > MaxListenRate) {
        error = "The audio file " + Quoted(path) + " has a sample rate of " + std::to_string(info.SampleRate) +
                " Hz; listening takes " + std::to_string(MinListenRate) + " to " + std::to_string(MaxListenRate) +
                " Hz.";
    } else if (info.Frames <= 0) {
        error = "The audio file " + Quoted(path) + " holds no samples.";
    } else {
        file_ = f;
        info_ = info;
        return true;
    }
    sf_close(f);
    return false;
}

std::size_t TAudioReader::Read(double* interleaved, std::size_t frames) {
    if (!file_ || failed_ || frames == 0) return 0;
    const sf_count_t got = sf_readf_double(Handle(file_), interleaved, static_cast<sf_count_t>(frames));
    if (got < static_cast<sf_count_t>(frames) && sf_error(Handle(file_)) != SF_ERR_NO_ERROR) {
        failed_ = true;
        failure_ = "Cannot read the audio file " + Quoted(path_) + " to its end: " + Reason(Handle(file_)) + ".";
    }
    if (got <= 0) return 0;
    // Floating-point files can hold anything: a NaN or infinity would spread
    // through a whole block of the filter's transforms and reach the speaker
    // as noise at full scale, and huge values overflow them the same way.
    const std::size_t n = static_cast<std::size_t>(got) * static_cast<std::size_t>(info_.Channels);
    for (std::size_t i = 0; i < n; ++i) {
        double& v = interleaved[i];
        if (!std::isfinite(v))
            v = 0.0;
        else
            v = std::clamp(v, -LargestSample, LargestSample);
    }
    return static_cast<std::size_t>(got);
}

bool TAudioReader::Rewind() {
    if (!file_) return false;
    return sf_seek(Handle(file_), 0, SEEK_SET) == 0;
}

TAudioWriter::~TAudioWriter() {
    std::string ignored;
    Close(ignored);
}

bool TAudioWriter::Create(const std::string& path, int sampleRate, int channels, int sourceFormat, std::string& error) {
    Close(error);
    error.clear();
    path_ = path;
    const std::optional<TAudioContainer> c = ContainerForPath(path);
    if (!c) {
        error =
            "Cannot write " + Quoted(path) + ": the extension chooses the format, and it must be .wav, .flac or .ogg.";
        return false;
    }
    SF_INFO sf{};
    sf.samplerate = sampleRate;
    sf.channels = channels;
    sf.format = ContainerCode(*c) | EncodingFor(*c, sourceFormat);
    if (!sf_format_check(&sf)) {
        error = "Cannot write " + Quoted(path) + ": " + ContainerName(sf.format) + " does not take " +
                std::to_string(channels) + " channels at " + std::to_string(sampleRate) + " Hz.";
        return false;
    }
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &sf);
    if (!f) {
        error = "Cannot write the audio file " + Quoted(path) + ": " + Reason(nullptr) + ".";
        return false;
    }
    // Integer encodings clip at full scale rather than wrap around.
    sf_command(f, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    file_ = f;
    format_ = sf.format;
    channels_ = channels;
    top_ = TopOf(sf.format);
    codes_ = CodesOf(sf.format);
    clipped_ = 0;
    peak_ = 0.0;
    return true;
}

bool TAudioWriter::Write(const double* interleaved, std::size_t frames, std::string& error) {
    if (!file_) {
        error = "Cannot write the audio file " + Quoted(path_) + ": it is not open.";
        return false;
    }
    const std::size_t n = frames * static_cast<std::size_t>(channels_);
    for (std::size_t i = 0; i < n; ++i) {
        const double v = interleaved[i];
        const double a = std::fabs(v);
        if (a > peak_) peak_ = a;
        if (v > top_ || v < -1.0) ++clipped_;
    }
    // libsndfile's own conversion to some integer encodings rounds down:
    // the samples go over on the encoding's codes, where it is exact.
    const double* samples = interleaved;
    if (codes_ > 0) {
        rounded_.resize(n);
        for (std::size_t i = 0; i < n; ++i)
            rounded_[i] = std::clamp(std::round(interleaved[i] * codes_), -codes_, codes_ - 1) / codes_;
        samples = rounded_.data();
    }
    const sf_count_t put = sf_writef_double(Handle(file_), samples, static_cast<sf_count_t>(frames));
    if (put != static_cast<sf_count_t>(frames)) {
        error = "Cannot write the audio file " + Quoted(path_) + ": " + Reason(Handle(file_)) + ".";
        return false;
    }
    return true;
}

bool TAudioWriter::Close(std::string& error) {
    if (!file_) return true;
    const int rc = sf_close(Handle(file_));
    file_ = nullptr;
    if (rc != 0) {
        error = "Cannot finish the audio file " + Quoted(path_) + ": " + sf_error_number(rc) + ".";
        return false;
    }
    return true;
}

}  // namespace pelmo
