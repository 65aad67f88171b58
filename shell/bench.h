#pragma once
// The built-in speed benchmarks: six fixed positions searched to the fixed depth (-bench),
// or one position searched by both drivers (-bench2).

void Bench();
void Bench2();
