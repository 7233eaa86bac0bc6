#pragma once

namespace ob7 {
// The readable source of the model parameter tables (model_type_data.cpp); parsed once
// into ModelTypeTable by model_types.cpp.

struct ModelParamTableSource {
    int count;          // number of parameters the list must hold
    const char* params; // "NAME=default {kind} [check], ..."
    const char* flags;  // "Flag byte 0xNN[ on every row]; other rows 0xMM: A B C; ..."
};

extern const ModelParamTableSource ModelParamTableSources[];
extern const int ModelParamTableSourceCount;

}  // namespace ob7
