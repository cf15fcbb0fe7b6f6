#include "audio_decoder.h"

#include "song_reader.h"

std::string TitleFromFileName(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0) name.resize(dot);
    return name;
}

bool DecodeAudioFile(const std::string& path, audio::Track* track, std::string* error) {
    SongReader song;
    if (!song.OpenFile(path, 0, error)) return false;
    audio::Pcm pcm;
    pcm.sampleRate = song.Rate();
    while (!song.Ended())
        if (!song.ReadMore(&pcm.samples, error)) return false;
    if (pcm.samples.empty()) {
        *error = song.DecodeErrors() > 0 ? "its audio cannot be decoded" : "holds no audio samples";
        return false;
    }
    track->pcm = std::move(pcm);
    track->title = song.Title();
    return true;
}
