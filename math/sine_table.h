// sin(i / 100) for i = 0..628, to eight significant digits: exactly the indices
// that table_cos can form.
#pragma once

constexpr int sine_table_size = 629;
extern const double sine_table[sine_table_size];
