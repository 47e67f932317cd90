#pragma once
// Section writers shared by the files of the generator.
#include "tools/genresults/gen_model.h"
#include "tools/genresults/gen_sink.h"

namespace qvgen {

void writeParameters(Sink& out, const Options& options);
void writeMasses(Sink& out);
void writeHeader(Sink& out, const Options& options, int queries);

}  // namespace qvgen
