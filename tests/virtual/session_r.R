# session_csv.py's lines, read with R's read.csv without options.
# usage: Rscript session_r.R RESULTS_NAME
name <- commandArgs(trailingOnly = TRUE)[1]
d <- read.csv(paste0(name, ".csv"))
t <- read.csv(paste0(name, ".trials.csv"))
stopifnot(is.numeric(d$ToneF), is.numeric(d$ToneSPL), is.numeric(d$masker_freq), is.numeric(d$masker_spl))
recorded <- tapply(t$recorded, t$run, sum)
for (run in unique(d$run)) {
  c <- d[d$run == run, ]
  writeLines(paste("run", run, c$subject[1], c$ear[1], sprintf("%.17g", c$ToneF[1]),
                   sprintf("%.17g", c$ToneSPL[1]), recorded[[run]], sep = "\t"))
  writeLines(paste("point", sprintf("%.17g", c$masker_freq), sprintf("%.17g", c$masker_spl), sep = "\t"))
}
