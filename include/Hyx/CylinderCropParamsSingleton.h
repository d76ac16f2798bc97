#pragma once

// The process-wide cylinder-crop parameters that hosts and plug-ins share, with change
// notification by polling.
//
// Contract:
// - A client takes a handle (1, 2, ...; never reused). Per handle there are two flags:
//   changed (set when SetParams installs new parameters) and loaded (set, with changed
//   cleared, when the parameters are reset or loaded from a file). The client polls them,
//   re-reads the parameters and clears the flag it acted on.
// - Operations that set or clear every flag touch only the handles present; a query or a
//   single clear of an unknown handle adds it.
// - The parameters are created on first use: a DataTypeCylinderCrop with the defaults and
//   purpose VORN4D, made through the data-layer factory. SetParams shares the given layer;
//   an empty one is replaced by a new default layer on the next GetParams.
// - Every operation takes the instance's lock, so any thread may call it; the layer
//   GetParams returns is shared and not guarded by that lock.

#include <Hyx/DataTypeCylinderCrop.h>
#include <Hyx/Export.h>

#include <map>
#include <memory>
#include <mutex>

namespace Hyx {

class HYX_API CylinderCropParamsSingleton {
public:
    /// No handles and no parameters yet.
    CylinderCropParamsSingleton();
    virtual ~CylinderCropParamsSingleton();
    CylinderCropParamsSingleton(const CylinderCropParamsSingleton&) = delete;
    CylinderCropParamsSingleton& operator=(const CylinderCropParamsSingleton&) = delete;

    /// The shared instance, created on first use.
    static CylinderCropParamsSingleton* getInstance();

    /// A new handle, with loaded set and changed clear.
    int GetHandle();
    /// Forgets handle (0 does nothing) and sets it to 0.
    void ReleaseHandle(int& handle);

    /// The parameters, created with the defaults on first use.
    std::shared_ptr<DataTypeCylinderCrop> GetParams();
    /// Shares params as the parameters and sets every changed flag.
    void SetParams(std::shared_ptr<DataTypeCylinderCrop> params);
    /// Parameters to their defaults (payload untouched, see DataTypeCylinderCrop::Reset);
    /// every loaded flag set, every changed flag cleared.
    void Reset();
    /// Loads the parameters from the text file (an empty path: the default file). On
    /// success every loaded flag is set and every changed flag cleared; otherwise nothing
    /// changes. Returns whether it loaded.
    bool LoadFromFile(const char* path);
    /// Saves the parameters to the text file; whether it was written.
    bool SaveToFile(const char* path);

    bool GetFlagValuesChanged(int handle);
    bool GetFlagValuesLoaded(int handle);
    /// Every changed flag := true.
    void SetFlagValuesChanged();
    /// The handle's changed flag := false; handle 0 clears every changed flag.
    void ClearFlagValuesChanged(int handle);
    /// Every loaded flag := true.
    void SetFlagValuesLoaded();
    /// The handle's loaded flag := false (0 is a handle like any other here).
    void ClearFlagValuesLoaded(int handle);

private:
    std::shared_ptr<DataTypeCylinderCrop> paramsLocked();
    void markAllLoadedLocked();

    std::mutex _mutex;
    std::map<int, bool> _changed;
    std::map<int, bool> _loaded;
    int _lastHandle = 0;
    std::shared_ptr<DataTypeCylinderCrop> _params;
};

} // namespace Hyx
