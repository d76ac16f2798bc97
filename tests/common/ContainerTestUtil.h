#pragma once

// Frames and takes for container tests and the container fuzz seeds.

#include <Hyx/Atom.h>
#include <Hyx/SerializeToHyx.h>

#include "StreamTestLayers.h"
#include "StreamTestUtil.h"

#include <memory>
#include <stdexcept>
#include <string>

namespace HyxTest {

/// A frame with a plain layer of payloadSize bytes and a compressed layer; its bytes depend
/// on stream and frame, so that every frame of a take differs.
inline std::shared_ptr<Hyx::Atom> ContainerFrame(uint32_t stream, uint32_t frame, uint32_t payloadSize = 8)
{
    RegisterStreamTestLayers();
    auto atom = std::make_shared<Hyx::Atom>(Hyx::AtomId::Create(0, stream, frame), 1000ull * frame + stream);
    auto plain = std::make_shared<StreamTestPlainLayer>();
    plain->InitializeHeader(StreamTestPurpose());
    Bytes bytes(payloadSize);
    for (uint32_t i = 0; i < payloadSize; ++i)
        bytes[i] = static_cast<uint8_t>(i + 7 * frame + 31 * stream);
    SetPayload(*plain, bytes);
    atom->AddDataLayer(plain, false);
    auto compressed = std::make_shared<StreamTestCompressedLayer>();
    compressed->InitializeHeader(StreamTestPurpose());
    compressed->InitializeCompressionInfo(StreamTestPlainType(), 1, 2);
    SetPayload(*compressed, {static_cast<uint8_t>(frame), static_cast<uint8_t>(stream)});
    atom->AddDataLayer(compressed, false);
    return atom;
}

/// The atom record the stream writer makes of the atom.
inline Bytes RecordBytes(const std::shared_ptr<Hyx::Atom>& atom)
{
    Hyx::SerializeToMemory writer;
    writer.pack_atom(atom);
    return PackedBytes(writer);
}

/// Writes frames 0..frames-1 of streams 0..streams-1, frame by frame, to path.
inline void WriteTake(const std::string& path, uint32_t streams, uint32_t frames, bool withTable,
                      uint32_t payloadSize = 8)
{
    Hyx::SerializeToHyx writer(path.c_str(), withTable);
    for (uint32_t frame = 0; frame < frames; ++frame)
        for (uint32_t stream = 0; stream < streams; ++stream)
            if (writer.pack_atom(ContainerFrame(stream, frame, payloadSize)) != Hyx::HyxErrorCode::Success)
                throw std::runtime_error("cannot write " + path);
    if (!writer.CloseFile())
        throw std::runtime_error("cannot close " + path);
}

} // namespace HyxTest
