#include "pulse_capture.h"

#include <pulse/pulseaudio.h>

#include <cstring>

#include "audio/pcm.h"

namespace {

constexpr pa_usec_t kRetryUsec = 1000000;
constexpr uint32_t kFragmentFrames = 441;  // 10 ms: the newest sound reaches the next frame

void CopyText(char* dst, size_t size, const char* src) {
    if (src == nullptr) src = "";
    strncpy(dst, src, size - 1);
    dst[size - 1] = '\0';
}

const pa_sample_spec kSpec = {PA_SAMPLE_S16LE, audio::kSampleRate, 2};

}  // namespace

bool PulseCapture::Start(const char* source) {
    useDefaultSource = source == nullptr;
    CopyText(wanted, sizeof wanted, source);
    {
        std::lock_guard<std::mutex> hold(statusLock);
        status = CaptureStatus{};
        CopyText(status.source, sizeof status.source, useDefaultSource ? "the microphone" : source);
    }
    loop = pa_threaded_mainloop_new();
    if (loop == nullptr) return false;
    pa_threaded_mainloop_lock(loop);
    Connect();
    pa_threaded_mainloop_unlock(loop);
    if (pa_threaded_mainloop_start(loop) < 0) {
        pa_threaded_mainloop_free(loop);
        loop = nullptr;
        return false;
    }
    return true;
}

void PulseCapture::Stop() {
    if (loop == nullptr) return;
    pa_threaded_mainloop_lock(loop);
    DropStream();
    DropContext();
    if (retry != nullptr) pa_threaded_mainloop_get_api(loop)->time_free(retry);
    retry = nullptr;
    pa_threaded_mainloop_unlock(loop);
    pa_threaded_mainloop_stop(loop);
    pa_threaded_mainloop_free(loop);
    loop = nullptr;
}

CaptureStatus PulseCapture::Status() const {
    std::lock_guard<std::mutex> hold(statusLock);
    return status;
}

void PulseCapture::SetState(CaptureState s, const char* error) {
    std::lock_guard<std::mutex> hold(statusLock);
    status.state = s;
    CopyText(status.error, sizeof status.error, error);
}

// Everything below runs on the mainloop's thread or under its lock.

void PulseCapture::Connect() {
    context = pa_context_new(pa_threaded_mainloop_get_api(loop), "Velune");
    if (context == nullptr) {
        SetState(CaptureState::kNoServer, "out of memory");
        RetrySoon();
        return;
    }
    pa_context_set_state_callback(context, OnContextState, this);
    if (pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
        SetState(CaptureState::kNoServer, pa_strerror(pa_context_errno(context)));
        DropContext();
        RetrySoon();
    }
}

void PulseCapture::OpenStream() {
    stream = pa_stream_new(context, "Velune", &kSpec, nullptr);
    if (stream == nullptr) {
        SetState(CaptureState::kNoSource, pa_strerror(pa_context_errno(context)));
        RetrySoon();
        return;
    }
    pa_stream_set_state_callback(stream, OnStreamState, this);
    pa_stream_set_read_callback(stream, OnRead, this);
    pa_buffer_attr attr;
    memset(&attr, 0xff, sizeof attr);
    attr.fragsize = kFragmentFrames * static_cast<uint32_t>(pa_frame_size(&kSpec));
    // A named source (the default monitor too) is not to be swapped for
    // another when it goes: the stream fails and the retry finds it again,
    // or the new default output's monitor.
    const pa_stream_flags_t flags =
        useDefaultSource ? PA_STREAM_ADJUST_LATENCY : static_cast<pa_stream_flags_t>(PA_STREAM_ADJUST_LATENCY | PA_STREAM_DONT_MOVE);
    if (pa_stream_connect_record(stream, useDefaultSource ? nullptr : wanted, &attr, flags) < 0) {
        SetState(CaptureState::kNoSource, pa_strerror(pa_context_errno(context)));
        DropStream();
        RetrySoon();
    }
}

void PulseCapture::DropStream() {
    if (stream == nullptr) return;
    pa_stream_set_state_callback(stream, nullptr, nullptr);
    pa_stream_set_read_callback(stream, nullptr, nullptr);
    pa_stream_disconnect(stream);
    pa_stream_unref(stream);
    stream = nullptr;
}

void PulseCapture::DropContext() {
    if (context == nullptr) return;
    pa_context_set_state_callback(context, nullptr, nullptr);
    pa_context_disconnect(context);
    pa_context_unref(context);
    context = nullptr;
}

void PulseCapture::RetrySoon() {
    pa_mainloop_api* api = pa_threaded_mainloop_get_api(loop);
    timeval when;
    pa_timeval_add(pa_gettimeofday(&when), kRetryUsec);
    if (retry != nullptr) {
        api->time_restart(retry, &when);
    } else {
        retry = api->time_new(api, &when, OnRetry, this);
    }
}

void PulseCapture::OnRetry(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* self) {
    auto* me = static_cast<PulseCapture*>(self);
    if (me->context == nullptr) {
        me->Connect();
    } else if (me->stream == nullptr && pa_context_get_state(me->context) == PA_CONTEXT_READY) {
        me->OpenStream();
    }
}

void PulseCapture::OnContextState(pa_context* c, void* self) {
    auto* me = static_cast<PulseCapture*>(self);
    switch (pa_context_get_state(c)) {
        case PA_CONTEXT_READY:
            me->OpenStream();
            break;
        case PA_CONTEXT_FAILED:
        case PA_CONTEXT_TERMINATED:
            me->SetState(CaptureState::kNoServer, pa_strerror(pa_context_errno(c)));
            me->DropStream();
            me->DropContext();
            me->RetrySoon();
            break;
        default:
            break;
    }
}

void PulseCapture::OnStreamState(pa_stream* s, void* self) {
    auto* me = static_cast<PulseCapture*>(self);
    switch (pa_stream_get_state(s)) {
        case PA_STREAM_READY: {
            me->SetState(CaptureState::kCapturing, "");
            std::lock_guard<std::mutex> hold(me->statusLock);
            // The server's name for the source, e.g. what @DEFAULT_MONITOR@ became.
            CopyText(me->status.source, sizeof me->status.source, pa_stream_get_device_name(s));
            break;
        }
        case PA_STREAM_FAILED:
        case PA_STREAM_TERMINATED:
            // A stream ends with its source, and with the server; in the second
            // case the context's own callback takes over.
            if (pa_context_get_state(me->context) != PA_CONTEXT_READY) break;
            me->SetState(CaptureState::kNoSource, pa_strerror(pa_context_errno(me->context)));
            me->DropStream();
            me->RetrySoon();
            break;
        default:
            break;
    }
}

void PulseCapture::OnRead(pa_stream* s, size_t, void* self) {
    auto* me = static_cast<PulseCapture*>(self);
    const void* data = nullptr;
    size_t bytes = 0;
    while (pa_stream_readable_size(s) > 0 && pa_stream_peek(s, &data, &bytes) == 0 && bytes > 0) {
        // A hole (data null) is sound that never came: leave it out.
        if (data != nullptr) me->ring->Append(static_cast<const int16_t*>(data), bytes / 4);
        pa_stream_drop(s);
    }
}

// Listing: a private mainloop run until the server has answered.

namespace {

struct ListJob {
    FILE* out;
    bool done = false;
    bool failed = false;
};

void OnSource(pa_context*, const pa_source_info* info, int eol, void* job) {
    auto* j = static_cast<ListJob*>(job);
    if (eol != 0) {
        j->done = true;
        return;
    }
    fprintf(j->out, "%s\t%s\n", info->name, info->description != nullptr ? info->description : "");
}

}  // namespace

bool ListSources(FILE* out, FILE* err) {
    pa_mainloop* m = pa_mainloop_new();
    pa_context* c = pa_context_new(pa_mainloop_get_api(m), "Velune");
    ListJob job{out};
    bool asked = false;
    if (pa_context_connect(c, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) job.failed = true;
    while (!job.done && !job.failed) {
        if (pa_mainloop_iterate(m, 1, nullptr) < 0) break;
        const pa_context_state_t state = pa_context_get_state(c);
        if (state == PA_CONTEXT_FAILED || state == PA_CONTEXT_TERMINATED) job.failed = true;
        if (state == PA_CONTEXT_READY && !asked) {
            pa_operation_unref(pa_context_get_source_info_list(c, OnSource, &job));
            asked = true;
        }
    }
    if (job.failed) fprintf(err, "velune-live: no sound server: %s\n", pa_strerror(pa_context_errno(c)));
    pa_context_disconnect(c);
    pa_context_unref(c);
    pa_mainloop_free(m);
    return job.done;
}
