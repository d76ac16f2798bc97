#include <Hyx/CylinderCropParamsSingleton.h>

#include <Hyx/DataLayerFactory.h>
#include <Hyx/HYXPurposeGuids.h>

namespace Hyx {

CylinderCropParamsSingleton::CylinderCropParamsSingleton()
{
    markAllLoadedLocked();
}

CylinderCropParamsSingleton::~CylinderCropParamsSingleton() = default;

CylinderCropParamsSingleton* CylinderCropParamsSingleton::getInstance()
{
    static CylinderCropParamsSingleton instance;
    return &instance;
}

int CylinderCropParamsSingleton::GetHandle()
{
    std::lock_guard lock(_mutex);
    const int handle = ++_lastHandle;
    _loaded[handle] = true;
    _changed[handle] = false;
    return handle;
}

void CylinderCropParamsSingleton::ReleaseHandle(int& handle)
{
    if (handle == 0)
        return;
    std::lock_guard lock(_mutex);
    _changed.erase(handle);
    _loaded.erase(handle);
    handle = 0;
}

std::shared_ptr<DataTypeCylinderCrop> CylinderCropParamsSingleton::GetParams()
{
    std::lock_guard lock(_mutex);
    return paramsLocked();
}

void CylinderCropParamsSingleton::SetParams(std::shared_ptr<DataTypeCylinderCrop> params)
{
    std::lock_guard lock(_mutex);
    _params = std::move(params);
    for (auto& [handle, changed] : _changed)
        changed = true;
}

void CylinderCropParamsSingleton::Reset()
{
    std::lock_guard lock(_mutex);
    paramsLocked()->Reset();
    markAllLoadedLocked();
}

bool CylinderCropParamsSingleton::LoadFromFile(const char* path)
{
    std::lock_guard lock(_mutex);
    if (!paramsLocked()->LoadFromASCIIFile(path))
        return false;
    markAllLoadedLocked();
    return true;
}

bool CylinderCropParamsSingleton::SaveToFile(const char* path)
{
    std::lock_guard lock(_mutex);
    return paramsLocked()->SaveToASCIIFile(path);
}

bool CylinderCropParamsSingleton::GetFlagValuesChanged(int handle)
{
    std::lock_guard lock(_mutex);
    return _changed[handle];
}

bool CylinderCropParamsSingleton::GetFlagValuesLoaded(int handle)
{
    std::lock_guard lock(_mutex);
    return _loaded[handle];
}

void CylinderCropParamsSingleton::SetFlagValuesChanged()
{
    std::lock_guard lock(_mutex);
    for (auto& [handle, changed] : _changed)
        changed = true;
}

void CylinderCropParamsSingleton::ClearFlagValuesChanged(int handle)
{
    std::lock_guard lock(_mutex);
    if (handle != 0) {
        _changed[handle] = false;
        return;
    }
    for (auto& [h, changed] : _changed)
        changed = false;
}

void CylinderCropParamsSingleton::SetFlagValuesLoaded()
{
    std::lock_guard lock(_mutex);
    for (auto& [handle, loaded] : _loaded)
        loaded = true;
}

void CylinderCropParamsSingleton::ClearFlagValuesLoaded(int handle)
{
    std::lock_guard lock(_mutex);
    _loaded[handle] = false;
}

std::shared_ptr<DataTypeCylinderCrop> CylinderCropParamsSingleton::paramsLocked()
{
    if (!_params) {
        auto layer = DataLayerFactory::CreateDataLayer(DataTypeCylinderCrop::TheTypeGuid(), HYXPurposeGuids::VORN4D);
        _params = std::dynamic_pointer_cast<DataTypeCylinderCrop>(layer.ToStdSharedPtr());
        if (!_params) {
            // Not expected from the built-in registry; keeps the instance usable all the same.
            _params = std::make_shared<DataTypeCylinderCrop>();
            _params->InitializeHeader(HYXPurposeGuids::VORN4D);
        }
    }
    return _params;
}

void CylinderCropParamsSingleton::markAllLoadedLocked()
{
    for (auto& [handle, loaded] : _loaded)
        loaded = true;
    for (auto& [handle, changed] : _changed)
        changed = false;
}

} // namespace Hyx
