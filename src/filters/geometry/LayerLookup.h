#pragma once

// Finding the input layers of the geometry filters. A layer that states a count but holds
// no array (a truncated payload) is treated as missing, so no kernel ever sees a null
// array with a non-zero count. New layers come from the factory.

#include <Hyx/Atom.h>
#include <Hyx/DataLayerFactory.h>
#include <Hyx/DataProfile.h>
#include <Hyx/DataTypeCameraParams.h>
#include <Hyx/DataTypeTextureBase.h>
#include <Hyx/DataTypeVertex.h>

#include <memory>

namespace Hyx::LayerLookup {

/// True when the layer holds what its count promises.
inline bool IsComplete(const DataTypeVertexPositions& l)
{
    return l.GetNumVertices() == 0 || l.GetVertexPositions();
}
inline bool IsComplete(const DataTypeVertexTextureUVs& l)
{
    return l.GetNumVertices() == 0 || l.GetUVs();
}
inline bool IsComplete(const DataTypeVertexColors& l)
{
    return l.GetNumVertices() == 0 || l.GetColors();
}
inline bool IsComplete(const DataTypeVertexIndices& l)
{
    return l.GetNumIndices() == 0 || l.GetIndices();
}
inline bool IsComplete(const DataTypeTextureBase& l)
{
    return l.GetInternalWidth() == 0 || l.GetInternalHeight() == 0 || l.GetDataPtr();
}
inline bool IsComplete(const DataTypeCameraParams&)
{
    return true;
}

/// The layer as Layer when it is one and complete, else empty.
template <class Layer>
std::shared_ptr<Layer> Complete(const std::shared_ptr<DataLayer>& layer)
{
    std::shared_ptr<Layer> typed = std::dynamic_pointer_cast<Layer>(layer);
    return typed && IsComplete(*typed) ? typed : nullptr;
}

/// The last layer of that purpose (nil: any) and Layer's type.
template <class Layer>
std::shared_ptr<Layer> ByPurpose(const Atom& atom, const VornCommon::Guid& purpose)
{
    return Complete<Layer>(atom.GetDataLayer(std::make_shared<DataProfile>(purpose, Layer::TheTypeGuid()), true));
}

/// The last layer of Layer's type, any purpose.
template <class Layer>
std::shared_ptr<Layer> Last(const Atom& atom)
{
    return Complete<Layer>(atom.GetDataLayerByType(Layer::TheTypeGuid(), true));
}

/// A new layer of that class through the factory, with that purpose; empty on failure.
template <class Layer>
std::shared_ptr<Layer> Create(const VornCommon::Guid& purpose)
{
    return std::dynamic_pointer_cast<Layer>(
        DataLayerFactory::CreateDataLayer(Layer::TheTypeGuid(), purpose).ToStdSharedPtr());
}

} // namespace Hyx::LayerLookup
