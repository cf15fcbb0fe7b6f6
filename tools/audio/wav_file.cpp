#include "audio/wav_file.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace audio {

namespace {

uint32_t Read32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}
uint16_t Read16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

void Put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void Put16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

bool Fail(std::string* error, const char* why) {
    if (error != nullptr) *error = why;
    return false;
}

}  // namespace

bool WriteWav(const std::string& path, const Pcm& pcm) {
    const uint64_t dataBytes = static_cast<uint64_t>(pcm.samples.size()) * 2;
    if (dataBytes > 0xFFFFFFFFull - 36) return false;
    std::vector<uint8_t> out;
    out.reserve(44 + static_cast<size_t>(dataBytes));
    out.insert(out.end(), {'R', 'I', 'F', 'F'});
    Put32(out, static_cast<uint32_t>(36 + dataBytes));
    out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    Put32(out, 16);
    Put16(out, 1);  // PCM
    Put16(out, 2);
    Put32(out, static_cast<uint32_t>(pcm.sampleRate));
    Put32(out, static_cast<uint32_t>(pcm.sampleRate) * 4);
    Put16(out, 4);
    Put16(out, 16);
    out.insert(out.end(), {'d', 'a', 't', 'a'});
    Put32(out, static_cast<uint32_t>(dataBytes));
    for (int16_t s : pcm.samples) Put16(out, static_cast<uint16_t>(s));

    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    const bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
    return std::fclose(f) == 0 && ok;
}

bool ParseWav(const uint8_t* data, size_t size, Pcm* pcm, std::string* error) {
    if (size < 12 || std::memcmp(data, "RIFF", 4) != 0 || std::memcmp(data + 8, "WAVE", 4) != 0)
        return Fail(error, "not a RIFF WAVE file");
    int channels = 0, bits = 0, rate = 0;
    bool haveFormat = false;
    size_t pos = 12;
    // Chunks are walked with every length checked against what is left, so a
    // damaged header can never read past the buffer.
    while (size - pos >= 8) {
        const uint8_t* chunk = data + pos;
        const uint32_t length = Read32(chunk + 4);
        const size_t available = size - pos - 8;
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            if (length < 16 || length > available) return Fail(error, "damaged format chunk");
            const uint16_t format = Read16(chunk + 8);
            channels = Read16(chunk + 10);
            rate = static_cast<int>(Read32(chunk + 12));
            bits = Read16(chunk + 22);
            // 0xFFFE is the extensible header; its sub-format must still be PCM.
            if (format != 1 && !(format == 0xFFFE && length >= 40 && Read16(chunk + 32) == 1))
                return Fail(error, "not PCM");
            if (bits != 16) return Fail(error, "not 16-bit");
            if (channels != 1 && channels != 2) return Fail(error, "not mono or stereo");
            if (rate <= 0) return Fail(error, "bad sample rate");
            haveFormat = true;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!haveFormat) return Fail(error, "data before format");
            // A truncated file keeps the samples it has.
            const size_t bytes = length > available ? available : length;
            const size_t frames = bytes / (2 * static_cast<size_t>(channels));
            const uint8_t* p = chunk + 8;
            pcm->sampleRate = rate;
            pcm->samples.assign(2 * frames, 0);
            for (size_t i = 0; i < frames; ++i) {
                const int16_t left = static_cast<int16_t>(Read16(p + 2 * channels * i));
                const int16_t right = channels == 2 ? static_cast<int16_t>(Read16(p + 4 * i + 2)) : left;
                pcm->samples[2 * i] = left;
                pcm->samples[2 * i + 1] = right;
            }
            return true;
        }
        if (length > available) break;
        pos += 8 + length + (length & 1);  // chunks are word-aligned
        if (pos > size) break;
    }
    return Fail(error, haveFormat ? "no data chunk" : "no format chunk");
}

bool ReadWav(const std::string& path, Pcm* pcm, std::string* error) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return Fail(error, "cannot open file");
    std::vector<uint8_t> bytes;
    uint8_t buffer[16384];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof(buffer), f)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
    std::fclose(f);
    return ParseWav(bytes.data(), bytes.size(), pcm, error);
}

}  // namespace audio
