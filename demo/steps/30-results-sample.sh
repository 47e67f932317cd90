source "$QV_REPO/demo/lib.sh"
heading "Synthetic results files (qv-genresults)"
show "$QV_BUILD/qv-genresults" qv-genresults --type msms --queries 20 --proteins 12 --peaks 40 --seed 7 \
  --output ../data/sample_msms.dat
show "$QV_BUILD/qv-genresults" qv-genresults --type pmf --dialect bracket --queries 15 --proteins 10 --hits 4 \
  --seed 7 --output ../data/sample_pmf.dat
echo "first peptide matches of query 1 in ../data/sample_msms.dat:"
grep -E '^q1_p[12](_terms)?=' ../data/sample_msms.dat | cut -c1-110 | sed 's/^/  /'
echo "protein hits in ../data/sample_pmf.dat:"
grep -E '^h[0-9]+=' ../data/sample_pmf.dat | sed 's/^/  /'
