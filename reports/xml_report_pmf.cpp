// The fingerprint block of the XML report: each protein hit of the protein
// summary, a mixture with one component element per protein it combines,
// every component with the modified peptides among its matches.
#include <optional>

#include "reports/report_numbers.h"
#include "reports/xml_report_blocks.h"
#include "results/qv_searchparams.h"
#include "summary/qv_proteinsummary.h"

namespace {

bool hasModification(const std::string& varMods) { return varMods.find_first_not_of('0') != std::string::npos; }

void writeComponent(const qv_proteinsummary& summary, const qv_protein& protein, qv_xmlwriter& out) {
  const std::string& accession = protein.getAccession();
  out.markup("<hit_component")
      .attrInt("hit", protein.getHitNumber())
      .attr("accession", accession)
      .attrDouble("mass", summary.getProteinMass(accession))
      .attrInt("score", qv_reports::roundedScore(protein.getScore()))
      .attrInt("frame", protein.getFrame())
      .attrPercentEscaped("description", summary.getProteinDescription(accession))
      .attrInt("numPeptides", protein.getNumPeptides())
      .markup(">")
      .endLine();
  bool opened = false;
  for (int j = 1; j <= protein.getNumPeptides(); ++j) {
    const std::optional<qv_peptide> peptide = summary.getPeptideCopy(protein.getPeptideQuery(j), protein.getPeptideP(j));
    if (!peptide || !hasModification(peptide->getVarModsStr())) continue;
    if (!opened) out.markup("<modpeptides>").endLine();
    opened = true;
    out.markup("<modpeptide")
        .attrInt("start", protein.getPeptideStart(j))
        .attrInt("end", protein.getPeptideEnd(j))
        .attr("modStr", peptide->getVarModsStr())
        .markup("/>")
        .endLine();
  }
  if (opened) out.markup("</modpeptides>").endLine();
  out.markup("</hit_component>").endLine();
}

}  // namespace

void qv_writePmfBlock(const qv_resultsfile& file, const qv_report_size& size, qv_xmlwriter& out) {
  out.markup("<SearchTypePMF")
      .attrInt("PeakListIndex", qv_peakListIndex(file.getSearchParameters().getCOM(), 1))
      .markup(" >")
      .endLine();
  out.flush();  // the summary of a large search takes a while
  if (out.readerGone()) return;
  const qv_proteinsummary summary(file, 3, size.minProbability, size.maxHits, std::nullopt, std::nullopt);
  for (int i = 1; i <= summary.getNumberOfHits() && !out.readerGone(); ++i) {
    const qv_protein* hit = summary.getHit(i);
    if (hit == nullptr) continue;
    out.markup("<hit")
        .attr("type", hit->isMixture() ? "Mixture" : "Protein")
        .attrInt("score", qv_reports::roundedScore(hit->getScore()))
        .markup(">")
        .endLine();
    out.markup("<hit_components>").endLine();
    if (hit->isMixture()) {
      for (int j = 1; j <= hit->getNumComponents(); ++j) writeComponent(summary, *hit->getComponent(j), out);
    } else {
      writeComponent(summary, *hit, out);
    }
    out.markup("</hit_components>").endLine();
    out.markup("</hit>").endLine();
  }
  out.markup("</SearchTypePMF>").endLine();
}
