#pragma once

// The codec configuration of the ASTC 8 x 8 driver (RGBDXT5Convertor::EncodeASTCFrom*).
//
// Contract:
// - LDR profile, 8 x 8 x 1 blocks, no flags. Quality 0 starts from the codec's medium preset,
//   any other value from its thorough preset; our search settings are then set over it:
//
//   | setting                      | medium    | thorough   | astcenc_config field
//   |------------------------------|-----------|------------|-----------------------------------------
//   | partition search limit       | 25        | 100        | tune_2partition_index_limit,
//   |                              |           |            | tune_3partition_index_limit,
//   |                              |           |            | tune_4partition_index_limit
//   | block-mode cut-off (centile) | 75        | 95         | tune_block_mode_limit
//   | refinement iterations        | 2         | 4          | tune_refinement_limit
//   | lowest correlation cut-off   | 0.75      | 0.95       | tune_2_plane_early_out_limit_correlation
//   | one-to-two partition limit   | 1.2       | 2.5        | tune_2_partition_early_out_limit_factor
//   | dB limit                     | D(95, 70) | D(105, 77) | tune_db_limit
//   | channel weights              | 1.0       | 1.0        | cw_r_weight, cw_g_weight, cw_b_weight, cw_a_weight
//
//   D(a, b) = max(a - 35 l, b - 19 l) with l = log10(64), the texels of a block, taken as
//   ln 64 / ln 10 in single precision. Every other field stays as the preset makes it (one
//   partitioning limit serves 2, 3 and 4 partitions).
// - The driver builds its contexts from this function alone, so the tests and benchmarks can
//   code with exactly the driver's settings. Exported for them only; not an installed header.

#include <Hyx/Export.h>

#include <astcenc.h>

namespace Hyx {

/// Fills config with the driver's settings for a quality flag (0 medium, otherwise
/// thorough). Returns the codec's error when the preset cannot be made; config is then
/// undefined.
HYX_API astcenc_error MakeAstcDriverConfig(int quality, astcenc_config& config);

} // namespace Hyx
