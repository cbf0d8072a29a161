// The audio output on winmm: a waveOut device opened on WAVE_MAPPER with a
// callback function, and the one WAVEHDR through which its blocks are handed
// over. The device's messages reach the seam's callback unchanged.
#include <windows.h>
#include <mmsystem.h>

#include "platform/audio.h"

namespace platform {

struct WaveDevice {
    HWAVEOUT handle;
    WAVEHDR header;  // the device reads it while a block plays, so it lives here
};

namespace {

static_assert(WOM_OPEN == waveMessageOpen && WOM_CLOSE == waveMessageClose && WOM_DONE == waveMessageDone);
static_assert(WHDR_BEGINLOOP == waveFlagBeginLoop && WAVE_FORMAT_PCM == waveFormatPcm);
static_assert(WAVERR_BADFORMAT == deviceErrorBadFormat && WAVERR_STILLPLAYING == deviceErrorStillPlaying &&
              WAVERR_UNPREPARED == deviceErrorUnprepared);

// The seam's callback travels as the device's instance data.
void CALLBACK forwardWaveMessage(HWAVEOUT, UINT message, DWORD_PTR instance, DWORD_PTR, DWORD_PTR)
{
    reinterpret_cast<WaveCallback>(instance)(message);
}

WAVEFORMATEX toWaveFormatEx(const WaveFormat& format)
{
    WAVEFORMATEX platformFormat = {};
    platformFormat.wFormatTag = format.formatTag;
    platformFormat.nChannels = format.channels;
    platformFormat.nSamplesPerSec = format.samplesPerSec;
    platformFormat.nAvgBytesPerSec = format.avgBytesPerSec;
    platformFormat.nBlockAlign = format.blockAlign;
    platformFormat.wBitsPerSample = format.bitsPerSample;
    platformFormat.cbSize = format.cbSize;
    return platformFormat;
}

}  // namespace

int openWaveDevice(WaveDevice** device, const WaveFormat& format, WaveCallback callback)
{
    WAVEFORMATEX platformFormat = toWaveFormatEx(format);
    HWAVEOUT handle = nullptr;
    const MMRESULT result = waveOutOpen(&handle, WAVE_MAPPER, &platformFormat, reinterpret_cast<DWORD_PTR>(forwardWaveMessage),
                                        reinterpret_cast<DWORD_PTR>(callback), CALLBACK_FUNCTION);
    if (result != MMSYSERR_NOERROR) return static_cast<int>(result);
    *device = new WaveDevice{handle, {}};
    return 0;
}

// The device's header is filled anew from the caller's, every other field 0.
int prepareWaveBlock(WaveDevice* device, WaveHeader& header)
{
    device->header = {};
    device->header.lpData = static_cast<LPSTR>(const_cast<void*>(header.data));
    device->header.dwBufferLength = header.bufferLength;
    device->header.dwFlags = header.flags;
    device->header.dwLoops = header.loops;
    return static_cast<int>(waveOutPrepareHeader(device->handle, &device->header, sizeof(WAVEHDR)));
}

int writeWaveBlock(WaveDevice* device, WaveHeader&)
{
    return static_cast<int>(waveOutWrite(device->handle, &device->header, sizeof(WAVEHDR)));
}

int unprepareWaveBlock(WaveDevice* device, WaveHeader&)
{
    return static_cast<int>(waveOutUnprepareHeader(device->handle, &device->header, sizeof(WAVEHDR)));
}

void resetWaveDevice(WaveDevice* device) { waveOutReset(device->handle); }

}  // namespace platform
