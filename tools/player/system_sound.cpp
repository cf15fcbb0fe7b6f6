#include "system_sound.h"

#include <audioclient.h>
#include <initguid.h>
#include <functiondiscoverykeys_devpkey.h>
#include <mmdeviceapi.h>
#include <mmreg.h>
#include <ks.h>
#include <ksmedia.h>

#include <cstdio>

#include "audio/stereo_resampler.h"
#include "audio/wav_file.h"

namespace {

constexpr REFERENCE_TIME kBufferTime = 2000000;  // 200 ms in 100 ns units
constexpr DWORD kRetryMs = 1000;
constexpr DWORD kPollMs = 10;

DWORD WINAPI SoundThread(LPVOID self) {
    static_cast<SystemSound*>(self)->Run();
    return 0;
}

// Tells the capture loop that the user chose another default output.
class DefaultWatch : public IMMNotificationClient {
public:
    explicit DefaultWatch(SystemSound* sound, EDataFlow flow) : sound(sound), flow(flow) {}
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (iid == __uuidof(IUnknown) || iid == __uuidof(IMMNotificationClient)) {
            *out = this;
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    HRESULT STDMETHODCALLTYPE OnDefaultDeviceChanged(EDataFlow changed, ERole role, LPCWSTR) override {
        if (changed == flow && role == eConsole) sound->defaultChanged = true;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnDeviceStateChanged(LPCWSTR, DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnDeviceAdded(LPCWSTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnDeviceRemoved(LPCWSTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnPropertyValueChanged(LPCWSTR, const PROPERTYKEY) override { return S_OK; }

private:
    SystemSound* sound;
    EDataFlow flow;
};

template <typename T>
void Release(T*& p) {
    if (p != nullptr) p->Release();
    p = nullptr;
}

bool SampleKindOf(const WAVEFORMATEX* f, audio::SampleKind* kind) {
    WORD tag = f->wFormatTag;
    if (tag == WAVE_FORMAT_EXTENSIBLE && f->cbSize >= 22) {
        const auto* x = reinterpret_cast<const WAVEFORMATEXTENSIBLE*>(f);
        tag = x->SubFormat == KSDATAFORMAT_SUBTYPE_IEEE_FLOAT ? WAVE_FORMAT_IEEE_FLOAT
              : x->SubFormat == KSDATAFORMAT_SUBTYPE_PCM      ? WAVE_FORMAT_PCM
                                                               : 0;
    }
    if (tag == WAVE_FORMAT_IEEE_FLOAT && f->wBitsPerSample == 32) {
        *kind = audio::SampleKind::kFloat32;
    } else if (tag == WAVE_FORMAT_PCM && f->wBitsPerSample == 16) {
        *kind = audio::SampleKind::kInt16;
    } else if (tag == WAVE_FORMAT_PCM && f->wBitsPerSample == 24 && f->nBlockAlign == 3 * f->nChannels) {
        *kind = audio::SampleKind::kInt24;
    } else if (tag == WAVE_FORMAT_PCM && f->wBitsPerSample == 32) {
        *kind = audio::SampleKind::kInt32;
    } else {
        return false;
    }
    return true;
}

// One open device: what a capture run holds.
struct Device {
    IMMDevice* device = nullptr;
    IAudioClient* client = nullptr;
    IAudioCaptureClient* capture = nullptr;
    WAVEFORMATEX* format = nullptr;
    ~Device() {
        if (client != nullptr) client->Stop();
        Release(capture);
        Release(client);
        Release(device);
        CoTaskMemFree(format);
    }
};

void DeviceName(IMMDevice* device, char* out, size_t size) {
    snprintf(out, size, "the default device");
    IPropertyStore* store = nullptr;
    if (FAILED(device->OpenPropertyStore(STGM_READ, &store))) return;
    PROPVARIANT name;
    PropVariantInit(&name);
    if (SUCCEEDED(store->GetValue(PKEY_Device_FriendlyName, &name)) && name.vt == VT_LPWSTR) {
        WideCharToMultiByte(CP_ACP, 0, name.pwszVal, -1, out, static_cast<int>(size), nullptr, nullptr);
    }
    PropVariantClear(&name);
    store->Release();
}

}  // namespace

bool SystemSound::Start(SoundSource from, const std::string& path, std::string* error) {
    source = from;
    SetStatus(false, "opening the sound device");
    if (source == SoundSource::kFile && !audio::ReadWav(path, &file, error)) return false;
    stopEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    thread = stopEvent ? CreateThread(nullptr, 0, SoundThread, this, 0, nullptr) : nullptr;
    if (thread == nullptr) *error = "cannot start the sound thread";
    return thread != nullptr;
}

void SystemSound::Stop() {
    if (thread == nullptr) return;
    SetEvent(stopEvent);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    CloseHandle(stopEvent);
    thread = stopEvent = nullptr;
}

SoundStatus SystemSound::Status() const {
    std::lock_guard<std::mutex> hold(statusLock);
    return status;
}

void SystemSound::SetStatus(bool live, const char* text) {
    std::lock_guard<std::mutex> hold(statusLock);
    if (status.live == live && strcmp(status.text, text) == 0) return;
    status.live = live;
    ++status.generation;
    snprintf(status.text, sizeof status.text, "%s", text);
}

bool SystemSound::Waiting(DWORD ms) { return WaitForSingleObject(stopEvent, ms) == WAIT_TIMEOUT; }

void SystemSound::Run() {
    if (source == SoundSource::kFile) {
        RunFile();
    } else {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        RunDevice();
        CoUninitialize();
    }
}

// The file's samples in real time, as a player would play them, looping.
void SystemSound::RunFile() {
    SetStatus(true, "a sound file");
    const size_t total = file.Frames();
    size_t at = 0;
    DWORD last = GetTickCount();
    while (Waiting(kPollMs)) {
        const DWORD now = GetTickCount();
        size_t due = static_cast<size_t>(now - last) * static_cast<size_t>(file.sampleRate) / 1000;
        last += static_cast<DWORD>(due * 1000 / static_cast<size_t>(file.sampleRate));
        while (due > 0 && total > 0) {
            const size_t run = due < total - at ? due : total - at;
            ring->Append(file.samples.data() + 2 * at, run);
            at = (at + run) % total;
            due -= run;
        }
    }
}

void SystemSound::RunDevice() {
    const bool loopback = source == SoundSource::kLoopback;
    const EDataFlow flow = loopback ? eRender : eCapture;
    IMMDeviceEnumerator* devices = nullptr;
    DefaultWatch watch(this, flow);
    audio::StereoResampler resampler;
    char text[200];
    while (devices == nullptr) {
        const HRESULT hr = CoCreateInstance(__uuidof(MMDeviceEnumerator), nullptr, CLSCTX_ALL,
                                            __uuidof(IMMDeviceEnumerator), reinterpret_cast<void**>(&devices));
        if (FAILED(hr)) {
            snprintf(text, sizeof text, "no audio devices (0x%08lx)", static_cast<unsigned long>(hr));
            SetStatus(false, text);
            if (!Waiting(kRetryMs)) return;
        }
    }
    devices->RegisterEndpointNotificationCallback(&watch);
    while (Waiting(0)) {
        defaultChanged = false;
        Device d;
        const char* step = "no default device";
        HRESULT hr = devices->GetDefaultAudioEndpoint(flow, eConsole, &d.device);
        if (SUCCEEDED(hr)) step = "cannot open it", hr = d.device->Activate(__uuidof(IAudioClient), CLSCTX_ALL, nullptr, reinterpret_cast<void**>(&d.client));
        if (SUCCEEDED(hr)) step = "no mix format", hr = d.client->GetMixFormat(&d.format);
        audio::SampleKind kind = audio::SampleKind::kFloat32;
        if (SUCCEEDED(hr) && (!SampleKindOf(d.format, &kind) ||
                              !resampler.SetInput(static_cast<int>(d.format->nSamplesPerSec), d.format->nChannels, kind))) {
            step = "a mix format this program cannot read";
            hr = E_FAIL;
        }
        if (SUCCEEDED(hr)) {
            step = loopback ? "loopback capture refused" : "capture refused";
            hr = d.client->Initialize(AUDCLNT_SHAREMODE_SHARED, loopback ? AUDCLNT_STREAMFLAGS_LOOPBACK : 0, kBufferTime,
                                      0, d.format, nullptr);
        }
        if (SUCCEEDED(hr)) step = loopback ? "this system records no loopback" : "no capture service", hr = d.client->GetService(__uuidof(IAudioCaptureClient), reinterpret_cast<void**>(&d.capture));
        if (SUCCEEDED(hr)) step = "cannot start", hr = d.client->Start();
        if (FAILED(hr)) {
            snprintf(text, sizeof text, "%s (0x%08lx)", step, static_cast<unsigned long>(hr));
            SetStatus(false, text);
            if (!Waiting(kRetryMs)) break;
            continue;
        }
        DeviceName(d.device, text, sizeof text);
        SetStatus(true, text);
        // Packets until the device fails, the default changes or we stop.
        while (SUCCEEDED(hr) && !defaultChanged && Waiting(kPollMs)) {
            UINT32 waiting = 0;
            while (SUCCEEDED(hr = d.capture->GetNextPacketSize(&waiting)) && waiting > 0) {
                BYTE* data = nullptr;
                UINT32 frames = 0;
                DWORD flags = 0;
                hr = d.capture->GetBuffer(&data, &frames, &flags, nullptr, nullptr);
                if (FAILED(hr)) break;
                if ((flags & AUDCLNT_BUFFERFLAGS_SILENT) != 0) {
                    resampler.ProcessSilence(frames, ring);
                } else {
                    resampler.Process(data, frames, ring);
                }
                d.capture->ReleaseBuffer(frames);
            }
        }
        if (FAILED(hr)) {
            snprintf(text, sizeof text, "the device went away (0x%08lx)", static_cast<unsigned long>(hr));
            SetStatus(false, text);
            if (!Waiting(kRetryMs)) break;
        }
    }
    devices->UnregisterEndpointNotificationCallback(&watch);
    devices->Release();
}
