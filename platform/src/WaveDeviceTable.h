#pragma once
#include "AudioBackend.h"
#include "WaveCallback.h"

#include <map>
#include <memory>
#include <mutex>

// The open wave devices of one direction, by handle. Handles are never reused, so a late call
// on a closed handle finds nothing and fails harmlessly. Device must offer
// Device(handle, format, callback target), post_open(), in_queue(header), busy() and close().
namespace plat::audio_backend {

template <class Handle, class Device>
class WaveDeviceTable {
public:
    MMRESULT open(Handle* handle, uint32_t device_id, uint32_t device_count, const WAVEFORMATEX* format,
                  std::uintptr_t callback, uint32_t flags) {
        if (device_id != WAVE_MAPPER && device_id >= device_count)
            return MMSYSERR_BADDEVICEID;
        Format pcm;
        if (!read_format(format, pcm))
            return WAVERR_BADFORMAT;
        if (flags & WAVE_FORMAT_QUERY)
            return MMSYSERR_NOERROR;
        WaveCallback target;
        if (!handle || !read_callback(callback, flags, target))
            return MMSYSERR_INVALPARAM;
        std::shared_ptr<Device> device;
        {
            std::lock_guard<std::mutex> lock(lock_);
            *handle = next_handle_++;
            device = std::make_shared<Device>(*handle, pcm, target);
            devices_[*handle] = device;
        }
        device->post_open();
        return MMSYSERR_NOERROR;
    }

    std::shared_ptr<Device> find(Handle handle) {
        std::lock_guard<std::mutex> lock(lock_);
        auto it = devices_.find(handle);
        return it == devices_.end() ? nullptr : it->second;
    }

    // The device of a handle for a call that passes a buffer header; result says why not.
    MMRESULT find_with_header(Handle handle, const WAVEHDR* header, uint32_t size, std::shared_ptr<Device>& device) {
        device = find(handle);
        if (!device)
            return MMSYSERR_INVALHANDLE;
        if (!header || size < sizeof(WAVEHDR))
            return MMSYSERR_INVALPARAM;
        return MMSYSERR_NOERROR;
    }

    MMRESULT prepare_header(Handle handle, WAVEHDR* header, uint32_t size) {
        std::shared_ptr<Device> device;
        if (MMRESULT rc = find_with_header(handle, header, size, device); rc != MMSYSERR_NOERROR)
            return rc;
        header->flags |= WHDR_PREPARED;
        return MMSYSERR_NOERROR;
    }

    MMRESULT unprepare_header(Handle handle, WAVEHDR* header, uint32_t size) {
        std::shared_ptr<Device> device;
        if (MMRESULT rc = find_with_header(handle, header, size, device); rc != MMSYSERR_NOERROR)
            return rc;
        if (device->in_queue(header))
            return WAVERR_STILLPLAYING;
        header->flags &= ~WHDR_PREPARED;
        return MMSYSERR_NOERROR;
    }

    // Close fails while buffers are queued, as on the device.
    MMRESULT close(Handle handle) {
        std::shared_ptr<Device> device;
        {
            std::lock_guard<std::mutex> lock(lock_);
            auto it = devices_.find(handle);
            if (it == devices_.end())
                return MMSYSERR_INVALHANDLE;
            if (it->second->busy())
                return WAVERR_STILLPLAYING;
            device = it->second;
            devices_.erase(it);
        }
        device->close();
        return MMSYSERR_NOERROR;
    }

private:
    std::mutex lock_;
    std::map<Handle, std::shared_ptr<Device>> devices_;
    Handle next_handle_ = 1;
};

} // namespace plat::audio_backend
