#pragma once
// The built-in speed benchmarks: six fixed positions searched to the fixed depth (-bench),
// or one position searched by both drivers (-bench2).

// The depth "orvo bench" searches when given none. bench/signature.txt records the node count
// of the benchmark at this depth; the two change together.
constexpr int BenchSignatureDepth = 8;

void Bench();
void Bench2();
