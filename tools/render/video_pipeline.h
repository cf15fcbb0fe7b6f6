#pragma once
// The engine renders the next frames while the encoder works on earlier
// ones: the rendering thread converts each frame into one of a few pictures
// made once, and a second thread encodes them in order.
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "ffmpeg_util.h"
#include "frame_queue.h"

class VideoWriter;

class VideoPipeline {
public:
    // depth: pictures between the two threads; 0 encodes on the caller's thread.
    VideoPipeline(VideoWriter& writer, int depth);
    ~VideoPipeline();  // stops the encoding thread; the writer is not finished
    VideoPipeline(const VideoPipeline&) = delete;
    VideoPipeline& operator=(const VideoPipeline&) = delete;

    bool Start(std::string* error);
    // Waits only while every picture is taken.
    bool Push(const uint32_t* pixels, std::string* error);
    // Every frame pushed so far encoded; the writer may then Finish.
    bool Drain(std::string* error);

private:
    void Encode();
    void Stop();

    VideoWriter& writer;
    FrameQueue queue;
    std::vector<ff::Frame> pictures;
    std::thread encoder;
    std::atomic<bool> failed{false};
    std::string encoderError;  // read once the thread has ended
};
