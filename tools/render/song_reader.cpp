#include "song_reader.h"

#include <cmath>

#include "audio_decoder.h"

namespace {

constexpr int kLowestRate = 8000;
constexpr int kHighestRate = 192000;
constexpr int kMemoryChunk = 4096;

bool Fail(std::string* error, const std::string& why) {
    *error = why;
    return false;
}

std::string TagTitle(const AVFormatContext* input, const AVStream* stream) {
    // Ogg files keep their tags on the stream, most others on the container.
    for (AVDictionary* tags : {input->metadata, stream->metadata}) {
        const AVDictionaryEntry* e = av_dict_get(tags, "title", nullptr, 0);
        if (e != nullptr && e->value[0] != '\0') return e->value;
    }
    return "";
}

}  // namespace

bool SongReader::OpenFile(const std::string& path, int wantedRate, std::string* error) {
    input = ff::OpenInput(path, error);
    if (!input) return false;
    const AVCodec* codec = nullptr;
    streamIndex = av_find_best_stream(input.get(), AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
    if (streamIndex == AVERROR_STREAM_NOT_FOUND) return Fail(error, "has no audio stream");
    if (streamIndex < 0 || codec == nullptr) return Fail(error, "no decoder for its audio (" + ff::ErrorText(streamIndex) + ")");
    const AVStream* stream = input->streams[streamIndex];
    decoder.reset(avcodec_alloc_context3(codec));
    if (!decoder || avcodec_parameters_to_context(decoder.get(), stream->codecpar) < 0 ||
        avcodec_open2(decoder.get(), codec, nullptr) < 0)
        return Fail(error, std::string("cannot open the ") + codec->name + " decoder");
    sourceRate = decoder->sample_rate;
    if (sourceRate < kLowestRate || sourceRate > kHighestRate)
        return Fail(error, "unusable sample rate " + std::to_string(sourceRate) + " Hz");
    if (decoder->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
        av_channel_layout_default(&decoder->ch_layout, decoder->ch_layout.nb_channels);
    av_channel_layout_copy(&sourceLayout, &decoder->ch_layout);
    sourceFormat = decoder->sample_fmt;
    rate = wantedRate > 0 ? wantedRate : sourceRate;
    if (!NewResampler(error)) return false;

    title = TagTitle(input.get(), stream);
    if (title.empty()) title = TitleFromFileName(path);
    if (stream->duration != AV_NOPTS_VALUE && stream->duration > 0)
        estimate = static_cast<double>(stream->duration) * av_q2d(stream->time_base);
    else if (input->duration != AV_NOPTS_VALUE && input->duration > 0)
        estimate = static_cast<double>(input->duration) / AV_TIME_BASE;
    packet.reset(av_packet_alloc());
    frame.reset(av_frame_alloc());
    if (!packet || !frame) return Fail(error, "out of memory");
    return true;
}

bool SongReader::OpenMemory(const audio::Track& track, int wantedRate, std::string* error) {
    memory = &track;
    sourceRate = track.pcm.sampleRate > 0 ? track.pcm.sampleRate : audio::kSampleRate;
    rate = wantedRate > 0 ? wantedRate : sourceRate;
    title = track.title;
    estimate = static_cast<double>(track.pcm.Frames()) / sourceRate;
    const AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    av_channel_layout_copy(&sourceLayout, &stereo);
    sourceFormat = AV_SAMPLE_FMT_S16;
    return NewResampler(error);
}

bool SongReader::NewResampler(std::string* error) {
    SwrContext* raw = nullptr;
    AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    if (swr_alloc_set_opts2(&raw, &stereo, AV_SAMPLE_FMT_S16, rate, &sourceLayout, sourceFormat, sourceRate, 0,
                            nullptr) < 0)
        return Fail(error, "cannot convert its " + std::to_string(sourceLayout.nb_channels) + " channels to stereo");
    resampler.reset(raw);
    // A mono file plays at full level on both speakers, not 3 dB down.
    const double monoToBoth[2] = {1.0, 1.0};
    if ((sourceLayout.nb_channels == 1 && swr_set_matrix(raw, monoToBoth, 1) < 0) || swr_init(raw) < 0)
        return Fail(error, "cannot convert its channels to stereo");
    return true;
}

bool SongReader::Convert(const uint8_t* const* in, int count, std::vector<int16_t>* out, std::string* error) {
    const int room = swr_get_out_samples(resampler.get(), count);
    if (room < 0) return Fail(error, "cannot convert its samples");
    const size_t at = out->size();
    out->resize(at + 2 * static_cast<size_t>(room));
    uint8_t* target = reinterpret_cast<uint8_t*>(out->data() + at);
    const int got = swr_convert(resampler.get(), &target, room, const_cast<const uint8_t**>(in), count);
    if (got < 0) return Fail(error, "cannot convert its samples");
    out->resize(at + 2 * static_cast<size_t>(got));
    // Samples before the time skipped to go.
    const int64_t drop = std::min<int64_t>(got, std::max<int64_t>(0, dropUntil - emitted));
    out->erase(out->begin() + static_cast<std::ptrdiff_t>(at),
               out->begin() + static_cast<std::ptrdiff_t>(at + 2 * static_cast<size_t>(drop)));
    emitted += got;
    return true;
}

bool SongReader::ReadMore(std::vector<int16_t>* out, std::string* error) {
    if (ended) return true;
    if (memory == nullptr) return DecodeNext(out, error);
    const size_t total = memory->pcm.Frames();
    const size_t n = std::min<size_t>(kMemoryChunk, total - std::min(total, memoryAt));
    if (n == 0) {
        ended = true;
        return Convert(nullptr, 0, out, error);
    }
    const uint8_t* in = reinterpret_cast<const uint8_t*>(memory->pcm.samples.data() + 2 * memoryAt);
    memoryAt += n;
    return Convert(&in, static_cast<int>(n), out, error);
}

bool SongReader::DecodeNext(std::vector<int16_t>* out, std::string* error) {
    for (;;) {
        int rc = avcodec_receive_frame(decoder.get(), frame.get());
        if (rc >= 0) {
            if (frame->decode_error_flags != 0) ++decodeErrors;
            if (!timeKnown) {
                // Where the seek landed, in samples at our rate.
                const int64_t pts = frame->best_effort_timestamp;
                const AVStream* s = input->streams[streamIndex];
                const int64_t begin = s->start_time != AV_NOPTS_VALUE ? s->start_time : 0;
                if (pts != AV_NOPTS_VALUE) emitted = std::llround(static_cast<double>(pts - begin) * av_q2d(s->time_base) * rate);
                timeKnown = true;
            }
            const bool ok = Convert(frame->extended_data, frame->nb_samples, out, error);
            av_frame_unref(frame.get());
            return ok;
        }
        if (rc != AVERROR(EAGAIN) && rc != AVERROR_EOF) ++decodeErrors;
        if (rc == AVERROR_EOF || (rc != AVERROR(EAGAIN) && draining)) {
            ended = true;
            return Convert(nullptr, 0, out, error);
        }
        rc = av_read_frame(input.get(), packet.get());
        if (rc < 0) {
            if (rc != AVERROR_EOF) ++decodeErrors;
            draining = true;
            avcodec_send_packet(decoder.get(), nullptr);
            continue;
        }
        if (packet->stream_index == streamIndex) {
            rc = avcodec_send_packet(decoder.get(), packet.get());
            if (rc < 0 && rc != AVERROR(EAGAIN)) ++decodeErrors;
        }
        av_packet_unref(packet.get());
    }
}

bool SongReader::SkipTo(double seconds, std::string* error) {
    if (!(seconds > 0.0)) return true;
    dropUntil = std::llround(seconds * rate);
    if (memory != nullptr) {
        memoryAt = static_cast<size_t>(std::llround(seconds * sourceRate));
        emitted = dropUntil;
        return NewResampler(error);
    }
    const AVStream* s = input->streams[streamIndex];
    const int64_t begin = s->start_time != AV_NOPTS_VALUE ? s->start_time : 0;
    const int64_t target = begin + av_rescale_q(static_cast<int64_t>(seconds * AV_TIME_BASE), AV_TIME_BASE_Q, s->time_base);
    // A file that cannot seek is decoded from its start up to the time.
    if (av_seek_frame(input.get(), streamIndex, target, AVSEEK_FLAG_BACKWARD) < 0) return true;
    avcodec_flush_buffers(decoder.get());
    draining = false;
    ended = false;
    timeKnown = false;
    return NewResampler(error);
}
