#pragma once

// The example host's own classes, built on the library's exported bases as a plug-in would:
// a data layer ("Wave": a frame number and a value), a source of generated frames, a
// transform that adds an amplified copy of the wave in place, a mutate that makes a new
// summary frame, and a target that prints what reaches it; then a target that records what
// reaches it into a container file and a source that plays such a file back.

#include <Hyx/Atom.h>
#include <Hyx/DataLayer.h>
#include <Hyx/DataReader.h>
#include <Hyx/DataTypeStreamInfo.h>
#include <Hyx/DataTypeTextureRGB.h>
#include <Hyx/FilterParams.h>
#include <Hyx/GuidAlias.h>
#include <Hyx/GuidLiteral.h>
#include <Hyx/HYX2Reader.h>
#include <Hyx/Mutate.h>
#include <Hyx/Profile.h>
#include <Hyx/SerializeToHyx.h>
#include <Hyx/Source.h>
#include <Hyx/Stream.h>
#include <Hyx/Target.h>
#include <Hyx/Transform.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

namespace Example {

using Hyx::HyxErrorCode;
using VornCommon::Guid;

// Purposes of the example's layers.
inline constexpr Guid kWave = Hyx::GuidLiteral("E0A70001-0000-4000-8000-00000000E001");
inline constexpr Guid kAmplified = Hyx::GuidLiteral("E0A70001-0000-4000-8000-00000000E002");
inline constexpr Guid kSummary = Hyx::GuidLiteral("E0A70001-0000-4000-8000-00000000E003");

/// A data layer of the example's own kind: a frame number and a value.
class WaveLayer : public Hyx::DataLayer {
public:
    static constexpr Guid TheTypeGuid = Hyx::GuidLiteral("E0A70002-0000-4000-8000-00000000D001");
    static Hyx::DataLayer* Create() { return new WaveLayer(); }

    WaveLayer() : DataLayer(1) { SetValues(0, 0.0f); }
    WaveLayer(const Guid& purpose, uint32_t frame, float value) : DataLayer(1)
    {
        InitializeHeader(purpose);
        SetValues(frame, value);
    }
    Guid TypeGuid() const override { return TheTypeGuid; }
    Hyx::DataLayerClassInfo GetDataLayerClassInfo() const override { return Hyx::DataLayerClassInfo("DataTypeWave"); }

    void SetValues(uint32_t frame, float value)
    {
        Hyx::DataWriter writer = preparePayload(8);
        writer.write(frame);
        writer.write(value);
        initialize();
    }
    uint32_t GetFrame() const { return _frame; }
    float GetValue() const { return _value; }

protected:
    bool deserializeAndMigrate(uint8_t* data, uint32_t size) override
    {
        if (_payloadVersion != 1 || size != 8)
            return false;
        Hyx::DataReader reader(data, size);
        _frame = reader.read_uint32();
        _value = reader.read_float();
        return true;
    }

private:
    uint32_t _frame = 0;
    float _value = 0.0f;
};

/// Generates frame f with the value sin(f / 2), stamped at the stream's rate.
class WaveStream : public Hyx::Stream {
public:
    WaveStream(unsigned numFrames, float fps) : Stream(0)
    {
        _info = std::make_shared<Hyx::DataTypeStreamInfo>();
        _info->InitializeHeader(kWave);
        _info->SetFPS(fps);
        _info->SetNumFrames(numFrames);
        _info->SetHostName("example");
        _profile = std::make_shared<Hyx::Profile>();
        _profile->Add(kWave, Hyx::DataTypeStreamInfo::TheTypeGuid());
        _profile->Add(kWave, WaveLayer::TheTypeGuid);
        _profile->Add(kWave, Hyx::DataTypeTextureRGB::TheTypeGuid());
    }
    ~WaveStream() override { Stop(); }

    std::shared_ptr<Hyx::DataTypeStreamInfo> GetStreamInfo() override { return _info; }
    std::shared_ptr<Hyx::Profile> GetOutputProfile() override { return _profile; }

protected:
    HyxErrorCode onUpdate(unsigned frame, std::shared_ptr<Hyx::Atom>& atom) override
    {
        _timeStamp = GetTimeInNanoSecondsForFrame(_info->GetFPS(), frame);
        atom = std::make_shared<Hyx::Atom>(GetStreamId(), frame, _timeStamp);
        atom->AddDataLayer(_info);
        const float value = std::sin(static_cast<float>(frame) * 0.5f);
        atom->AddDataLayer(std::make_shared<WaveLayer>(kWave, frame, value));
        atom->AddDataLayer(picture(value));
        return HyxErrorCode::Success;
    }

private:
    // A small camera picture whose brightness follows the wave.
    static std::shared_ptr<Hyx::DataTypeTextureRGB> picture(float value)
    {
        constexpr uint16_t size = 64;
        auto texture = std::make_shared<Hyx::DataTypeTextureRGB>();
        texture->InitializeHeader(kWave);
        uint8_t* pixels = texture->AllocateTexture(size, size);
        const int level = static_cast<int>(127.5f + 100.0f * value);
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x, pixels += 3) {
                pixels[0] = static_cast<uint8_t>(level);
                pixels[1] = static_cast<uint8_t>(x * 4);
                pixels[2] = static_cast<uint8_t>(y * 4);
            }
        return texture;
    }

    std::shared_ptr<Hyx::DataTypeStreamInfo> _info;
    std::shared_ptr<Hyx::Profile> _profile;
};

/// A source of 12 generated frames at 25 frames per second.
class WaveSource : public Hyx::SingleStreamSource {
public:
    static constexpr Guid TheTypeGuid = Hyx::GuidLiteral("E0A70003-0000-4000-8000-00000000F001");
    static Hyx::FilterClassInfo TheFilterClassInfo()
    {
        return Hyx::FilterClassInfo("SourceWave", Hyx::FilterCategory::Source);
    }
    static Hyx::Filter* Create() { return new WaveSource(); }

    Guid TypeGuid() const override { return TheTypeGuid; }
    Hyx::FilterClassInfo GetFilterClassInfo() const override { return TheFilterClassInfo(); }

protected:
    HyxErrorCode onInitialize(Hyx::Filter*) override
    {
        _stream = std::make_shared<WaveStream>(12, 25.0f);
        return HyxErrorCode::Success;
    }
};

/// Adds an amplified copy of the wave to each atom, in place; "Gain" sets the factor.
class AmplifyTransform : public Hyx::Transform {
public:
    static constexpr Guid TheTypeGuid = Hyx::GuidLiteral("E0A70003-0000-4000-8000-00000000F002");
    static Hyx::FilterClassInfo TheFilterClassInfo()
    {
        return Hyx::FilterClassInfo("TransformAmplify", Hyx::FilterCategory::Transform);
    }
    static Hyx::Filter* Create() { return new AmplifyTransform(); }

    Guid TypeGuid() const override { return TheTypeGuid; }
    Hyx::FilterClassInfo GetFilterClassInfo() const override { return TheFilterClassInfo(); }
    // Asks for any wave layer, whatever its purpose.
    void Instantiate() override
    {
        _requestedInputProfile = std::make_shared<Hyx::Profile>(Guid(), WaveLayer::TheTypeGuid);
    }

protected:
    HyxErrorCode onInitializeParams(Hyx::Filter* upstream) override
    {
        _gain = std::make_shared<Hyx::FilterParamFloat>("Gain", 0u, 2.0f, 0.0f, 100.0f);
        addParam(_gain);
        return Transform::onInitializeParams(upstream);
    }
    std::shared_ptr<Hyx::Profile> onGenerateOutputProfile(Hyx::Filter*, std::shared_ptr<Hyx::Profile>) override
    {
        return std::make_shared<Hyx::Profile>(kAmplified, WaveLayer::TheTypeGuid);
    }
    HyxErrorCode onProcessFrame(std::shared_ptr<Hyx::Atom> atom) override
    {
        auto wave = std::dynamic_pointer_cast<WaveLayer>(atom->GetDataLayer(GetInputDataProfile(0, true), true));
        if (!wave)
            return ReportError(HyxErrorCode::FilterFailedToGetDataLayer, "Wave");
        atom->AddDataLayer(
            std::make_shared<WaveLayer>(kAmplified, wave->GetFrame(), wave->GetValue() * _gain->GetValue()));
        return HyxErrorCode::Success;
    }

private:
    std::shared_ptr<Hyx::FilterParamFloat> _gain;
};

/// Makes a new atom per frame: the stream information and the sum of both waves.
class SummaryMutate : public Hyx::Mutate {
public:
    static constexpr Guid TheTypeGuid = Hyx::GuidLiteral("E0A70003-0000-4000-8000-00000000F003");
    static Hyx::FilterClassInfo TheFilterClassInfo()
    {
        return Hyx::FilterClassInfo("MutateSummary", Hyx::FilterCategory::Transform);
    }
    static Hyx::Filter* Create() { return new SummaryMutate(); }

    // The whole upstream offer of waves is its input: no choice to offer.
    SummaryMutate() : Mutate(false) {}
    Guid TypeGuid() const override { return TheTypeGuid; }
    Hyx::FilterClassInfo GetFilterClassInfo() const override { return TheFilterClassInfo(); }
    void Instantiate() override
    {
        _requestedInputProfile = std::make_shared<Hyx::Profile>(Guid(), WaveLayer::TheTypeGuid);
    }

protected:
    std::shared_ptr<Hyx::Profile> onGenerateOutputProfile(Hyx::Filter*, std::shared_ptr<Hyx::Profile>) override
    {
        auto output = std::make_shared<Hyx::Profile>(kWave, Hyx::DataTypeStreamInfo::TheTypeGuid());
        output->Add(kSummary, WaveLayer::TheTypeGuid);
        return output;
    }
    HyxErrorCode onCreateFrame(std::shared_ptr<Hyx::Atom> input, std::shared_ptr<Hyx::Atom>& output) override
    {
        float sum = 0.0f;
        for (const std::shared_ptr<Hyx::DataLayer>& layer : input->GetDataLayersByType(WaveLayer::TheTypeGuid))
            sum += std::static_pointer_cast<WaveLayer>(layer)->GetValue();
        output = Hyx::Atom::Copy(input, -1, false);
        if (std::shared_ptr<Hyx::DataLayer> info =
                input->GetDataLayerByType(Hyx::DataTypeStreamInfo::TheTypeGuid(), false))
            output->AddDataLayer(info);
        output->AddDataLayer(std::make_shared<WaveLayer>(kSummary, input->GetFrameNr(), sum));
        return HyxErrorCode::Success;
    }
};

/// Prints every atom it receives: frame, timestamp, layers and the graph's progress.
class PrintTarget : public Hyx::Target {
public:
    static constexpr Guid TheTypeGuid = Hyx::GuidLiteral("E0A70003-0000-4000-8000-00000000F004");
    static Hyx::FilterClassInfo TheFilterClassInfo()
    {
        return Hyx::FilterClassInfo("TargetPrint", Hyx::FilterCategory::Target);
    }
    static Hyx::Filter* Create() { return new PrintTarget(); }

    Guid TypeGuid() const override { return TheTypeGuid; }
    Hyx::FilterClassInfo GetFilterClassInfo() const override { return TheFilterClassInfo(); }

    std::atomic<int> received{0}; // counted on the graph's thread, read by the host

protected:
    HyxErrorCode onProcessFrame(std::shared_ptr<Hyx::Atom> atom) override
    {
        std::string layers;
        for (const std::shared_ptr<Hyx::DataLayer>& layer : atom->GetAllDataLayers()) {
            if (!layers.empty())
                layers += ", ";
            layers += layer->GetDataLayerClassInfo().GetNiceClassName().StdString();
            layers += "(" + Hyx::Utils::GetGuidAlias(layer->GetPurposeGuid()).StdString();
            if (auto wave = std::dynamic_pointer_cast<WaveLayer>(layer)) {
                char value[32];
                std::snprintf(value, sizeof value, " %+.3f", static_cast<double>(wave->GetValue()));
                layers += value;
            }
            layers += ")";
        }
        ++received;
        std::printf("frame %2u  stamped %4llu ms  progress %3.0f%%  layers: %s\n", atom->GetFrameNr(),
                    static_cast<unsigned long long>(atom->GetTimeStamp() / 1000000u),
                    static_cast<double>(GetProgress() * 100.0f), layers.c_str());
        return HyxErrorCode::Success;
    }
};

/// Records every atom it receives into an indexed container file ("File"): each run from
/// stopped starts a new take, a pause keeps it, and the take is finished when the graph stops.
class RecordTarget : public Hyx::Target {
public:
    static constexpr Guid TheTypeGuid = Hyx::GuidLiteral("E0A70003-0000-4000-8000-00000000F005");
    static Hyx::FilterClassInfo TheFilterClassInfo()
    {
        return Hyx::FilterClassInfo("TargetRecord", Hyx::FilterCategory::Target);
    }
    static Hyx::Filter* Create() { return new RecordTarget(); }

    Guid TypeGuid() const override { return TheTypeGuid; }
    Hyx::FilterClassInfo GetFilterClassInfo() const override { return TheFilterClassInfo(); }

    /// Frames in the current take: counted on the graph's thread, read by the host.
    std::atomic<int> recorded{0};

protected:
    HyxErrorCode onInitializeParams(Hyx::Filter* upstream) override
    {
        _file = std::make_shared<Hyx::FilterParamString>("File", 0u, "example_take.hyx");
        addParam(_file);
        return Target::onInitializeParams(upstream);
    }
    HyxErrorCode onPlay() override
    {
        // onPlay also resumes from Paused: only a run from stopped (Connected) opens a new take.
        if (GetFilterState() == FilterState::Connected) {
            _writer = std::make_shared<Hyx::SerializeToHyx>(_file->GetValue().c_str(), true);
            recorded = 0;
        }
        return Target::onPlay();
    }
    HyxErrorCode onProcessFrame(std::shared_ptr<Hyx::Atom> atom) override
    {
        if (const HyxErrorCode r = _writer->pack_atom(atom); r != HyxErrorCode::Success)
            return ReportError(r, _file->GetValue().c_str());
        ++recorded;
        return HyxErrorCode::Success;
    }
    HyxErrorCode onStop() override
    {
        // Closing appends the lookup table.
        if (_writer && !_writer->CloseFile())
            ReportError(HyxErrorCode::FailedToWriteToFile, _file->GetValue().c_str());
        _writer.reset();
        return Target::onStop();
    }

private:
    std::shared_ptr<Hyx::FilterParamString> _file;
    std::shared_ptr<Hyx::SerializeToHyx> _writer;
};

/// The first stream of a container file: frame n is the file's n-th atom of that stream.
class ContainerStream : public Hyx::Stream {
public:
    ContainerStream(std::shared_ptr<Hyx::ReadHYX2File> reader, unsigned short streamId)
        : Stream(streamId), _reader(std::move(reader))
    {
        const std::shared_ptr<Hyx::Atom> first = _reader->GetFirstFrameAtom(streamId);
        _profile = std::make_shared<Hyx::Profile>();
        if (!first)
            return;
        _profile.reset(first->GenerateProfile());
        _info = std::dynamic_pointer_cast<Hyx::DataTypeStreamInfo>(
            first->GetDataLayerByType(Hyx::DataTypeStreamInfo::TheTypeGuid(), false));
        if (_info)
            _info->SetNumFrames(_reader->GetNumFrames(streamId));
    }
    ~ContainerStream() override { Stop(); }

    std::shared_ptr<Hyx::DataTypeStreamInfo> GetStreamInfo() override { return _info; }
    std::shared_ptr<Hyx::Profile> GetOutputProfile() override { return _profile; }

protected:
    HyxErrorCode onUpdate(unsigned frame, std::shared_ptr<Hyx::Atom>& atom) override
    {
        atom = _reader->GetFrameAtom(GetStreamId(), frame);
        if (!atom)
            return HyxErrorCode::ReaderFailedToGetFrameAtom;
        _timeStamp = atom->GetTimeStamp();
        return HyxErrorCode::Success;
    }

private:
    std::shared_ptr<Hyx::ReadHYX2File> _reader;
    std::shared_ptr<Hyx::DataTypeStreamInfo> _info;
    std::shared_ptr<Hyx::Profile> _profile;
};

/// Plays back the first stream of the container file named by "File".
class ContainerSource : public Hyx::SingleStreamSource {
public:
    static constexpr Guid TheTypeGuid = Hyx::GuidLiteral("E0A70003-0000-4000-8000-00000000F006");
    static Hyx::FilterClassInfo TheFilterClassInfo()
    {
        return Hyx::FilterClassInfo("SourceContainer", Hyx::FilterCategory::Source);
    }
    static Hyx::Filter* Create() { return new ContainerSource(); }

    Guid TypeGuid() const override { return TheTypeGuid; }
    Hyx::FilterClassInfo GetFilterClassInfo() const override { return TheFilterClassInfo(); }

protected:
    HyxErrorCode onInitializeParams(Hyx::Filter* upstream) override
    {
        _file = std::make_shared<Hyx::FilterParamString>("File", 0u, "example_take.hyx");
        addParam(_file);
        return SingleStreamSource::onInitializeParams(upstream);
    }
    HyxErrorCode onInitialize(Hyx::Filter*) override
    {
        auto reader = std::make_shared<Hyx::ReadHYX2File>(_file->GetValue().c_str());
        if (reader->Initialize() != HyxErrorCode::Success || reader->GetNumStreams() == 0)
            return ReportError(HyxErrorCode::InvalidFile, _file->GetValue().c_str());
        auto stream = std::make_shared<ContainerStream>(reader, reader->GetFirstStreamId());
        if (!stream->GetStreamInfo())
            return ReportError(HyxErrorCode::StreamInfoMissingFirstFrame, _file->GetValue().c_str());
        _stream = std::move(stream);
        return HyxErrorCode::Success;
    }

private:
    std::shared_ptr<Hyx::FilterParamString> _file;
};

} // namespace Example
