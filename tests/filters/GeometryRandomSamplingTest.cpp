#include "GeometryProbe.h"

using namespace GeometryTest;

// "Random Sampling" changes the parameter list ("Num Points"), so frames follow the value the
// parameters were made with: a value set later reads back at once and applies from the next
// pre-initialisation, in both directions.
TEST(GeometryPoints, RandomSamplingAppliesFromTheNextPreInitialisation)
{
    Probe<Hyx::TransformVertexPositionsFromDepthMap> filter;
    auto points = [&filter] {
        auto atom =
            MakeAtom({Cameras(Camera(4, 4, 1, 0, 0), Camera(4, 4, 2, 1, 1)), DepthMap(4, 2, {0, 7, 7, 7, 7, 7, 7, 0})});
        EXPECT_EQ(filter.Run(atom), Hyx::HyxErrorCode::Success) << filter.Error();
        const auto made = Output<Hyx::DataTypeVertexPositions>(*atom);
        return made ? made->GetNumVertices() : 0u;
    };
    const struct {
        const char* set;
        bool recreate;
        uint32_t expected; // 6 non-zero samples, or the default "Num Points"
    } steps[] = {
        {nullptr, false, 6}, {"True", false, 6}, {nullptr, true, 65536}, {"False", false, 65536}, {nullptr, true, 6}};
    for (const auto& step : steps) {
        if (step.set) {
            ASSERT_TRUE(filter.setParameterValue("Random Sampling", step.set));
            EXPECT_EQ(filter.getParameterValue("Random Sampling"), step.set);
        }
        if (step.recreate)
            filter.RecreateParams();
        EXPECT_EQ(points(), step.expected) << (step.set ? step.set : "") << (step.recreate ? ", recreated" : "");
        EXPECT_EQ(filter.getParameterByName("Num Points") != nullptr, step.expected != 6);
    }
}
