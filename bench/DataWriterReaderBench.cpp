// Throughput of the payload cursors on a 64 MiB payload of alternating u32 and float
// fields, beside a plain memcpy of the same bytes.

#include <Hyx/DataReader.h>
#include <Hyx/DataWriter.h>

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

namespace {

constexpr uint32_t PayloadBytes = 64u << 20;
constexpr uint32_t FieldPairs = PayloadBytes / 8;

struct Fields {
    std::vector<uint32_t> words;
    std::vector<float> floats;
    std::vector<uint8_t> payload;

    Fields() : words(FieldPairs), floats(FieldPairs), payload(PayloadBytes)
    {
        for (uint32_t i = 0; i < FieldPairs; ++i) {
            words[i] = i * 2654435761u;
            floats[i] = float(i) * 0.25f;
        }
        Hyx::DataWriter writer(payload.data(), PayloadBytes);
        for (uint32_t i = 0; i < FieldPairs; ++i) {
            writer.write(words[i]);
            writer.write(floats[i]);
        }
    }
};

Fields& fields()
{
    static Fields instance;
    return instance;
}

void BM_Memcpy(benchmark::State& state)
{
    const Fields& source = fields();
    std::vector<uint8_t> destination(PayloadBytes);
    for (auto _ : state) {
        std::memcpy(destination.data(), source.payload.data(), PayloadBytes);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * PayloadBytes);
}

void BM_DataWriterFields(benchmark::State& state)
{
    const Fields& source = fields();
    std::vector<uint8_t> destination(PayloadBytes);
    for (auto _ : state) {
        Hyx::DataWriter writer(destination.data(), PayloadBytes);
        for (uint32_t i = 0; i < FieldPairs; ++i) {
            writer.write(source.words[i]);
            writer.write(source.floats[i]);
        }
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * PayloadBytes);
}

void BM_DataReaderFields(benchmark::State& state)
{
    Fields& source = fields();
    for (auto _ : state) {
        Hyx::DataReader reader(source.payload.data(), PayloadBytes);
        uint32_t wordSum = 0;
        float floatSum = 0.0f;
        for (uint32_t i = 0; i < FieldPairs; ++i) {
            wordSum += reader.read_uint32();
            floatSum += reader.read_float();
        }
        benchmark::DoNotOptimize(wordSum);
        benchmark::DoNotOptimize(floatSum);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * PayloadBytes);
}

// Whole arrays in one call each: the layout layers use for vertex and index data.
void BM_DataWriterArrays(benchmark::State& state)
{
    const Fields& source = fields();
    std::vector<uint8_t> destination(PayloadBytes);
    for (auto _ : state) {
        Hyx::DataWriter writer(destination.data(), PayloadBytes);
        writer.write(source.words.data(), FieldPairs);
        writer.write(source.floats.data(), FieldPairs);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * PayloadBytes);
}

} // namespace

BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DataWriterFields)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DataReaderFields)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DataWriterArrays)->Unit(benchmark::kMillisecond);
