#include "video_pipeline.h"

#include "video_writer.h"

VideoPipeline::VideoPipeline(VideoWriter& w, int depth)
    : writer(w), queue(depth), pictures(static_cast<size_t>(depth)) {}

VideoPipeline::~VideoPipeline() { Stop(); }

bool VideoPipeline::Start(std::string* error) {
    for (ff::Frame& p : pictures) {
        p = writer.NewPicture();
        if (!p) {
            *error = "out of memory";
            return false;
        }
    }
    if (!pictures.empty()) encoder = std::thread(&VideoPipeline::Encode, this);
    return true;
}

void VideoPipeline::Encode() {
    for (int slot; (slot = queue.NextFull()) >= 0;) {
        const bool ok = writer.EncodeFrame(pictures[static_cast<size_t>(slot)].get(), &encoderError);
        queue.Release(slot);
        if (!ok) {
            failed = true;
            queue.Cancel();
            return;
        }
    }
}

bool VideoPipeline::Push(const uint32_t* pixels, std::string* error) {
    if (pictures.empty()) return writer.WriteFrame(pixels, error);
    const int slot = queue.AcquireFree();
    if (slot < 0) return Drain(error);  // the encoder failed: its error
    if (!writer.ConvertFrame(pixels, pictures[static_cast<size_t>(slot)].get(), error)) {
        queue.Release(slot);
        return false;
    }
    queue.Publish(slot);
    return true;
}

bool VideoPipeline::Drain(std::string* error) {
    Stop();
    if (failed) *error = encoderError;
    return !failed;
}

void VideoPipeline::Stop() {
    queue.Close();
    if (encoder.joinable()) encoder.join();
}
