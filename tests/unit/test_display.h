#pragma once
// A display for native tests: owns its frame buffers and a Transform, answers
// the player's queries from a script and logs them.
#include <string>
#include <vector>

#include "scene/scene.h"
#include "scene/scene_display.h"
#include "transform/transform.h"

class TestDisplay : public SceneDisplay {
public:
    TestDisplay(int w, int h, bool withTransform = true) {
        AllocateFrameBuffers(w, h);
        if (withTransform) {
            transform = new Transform();
            transform->Init(w, h);
        }
    }
    ~TestDisplay() override { delete transform; }

    int QueryPlayPosition() override {
        queries.push_back(105);
        return position;
    }
    int QueryPlaylistIndex() override {
        queries.push_back(125);
        return playlistIndex;
    }
    const char* QueryTitle(int index) override {
        queries.push_back(212);
        titleIndex = index;
        return titleIsNull ? nullptr : title.c_str();
    }

    int position = 0;
    int playlistIndex = 0;
    int titleIndex = -1;
    bool titleIsNull = false;
    std::string title = "Test Song";
    std::vector<int> queries;
};

// Audio bytes as the player hands them over: 2 x 576 spectrum, 2 x 576 waveform.
struct TestAudio {
    uint8_t spectrum[2 * 576] = {};
    uint8_t waveform[2 * 576] = {};
};
