// The positions decoder and the wire readers it uses, built a second time for CPUs with AVX2:
// simdjson's On-Demand front end is compiled into its caller, so only a build for that target
// gets its vector kernel. decodeApiResponse() picks a build at run time. CMake compiles this
// file with the AVX2 flags and CORVANE_WIRE_KERNEL=avx2, on x86-64 only.

#if CORVANE_HAVE_AVX2_DECODER
#define CORVANE_WIRE_KERNEL_VARIANT 1
#include "../base/wire.cpp"
#include "positionrecords.cpp"
#endif
