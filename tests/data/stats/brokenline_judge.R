# The broken-line scan by R on the points of a file ("x y" per line). The second file holds
# X minimum, X maximum, the first break point, the step and the number of steps. Prints one line
# per step: NA when a subset holds 3 points or fewer, else the break point, both counts, both
# lines' intercept and slope (lm), both correlations (cor), both residual sums, the difference of
# estimation at the break point, the common point, U, pt(U, 5000), F, pf(F, N - 1, N - 1) and the
# residual sum of one line through all points of the range.
args <- commandArgs(trailingOnly = TRUE)
d <- read.table(args[1], col.names = c("x", "y"))
p <- scan(args[2], quiet = TRUE)
d <- d[d$x >= p[1] & d$x <= p[2], ]
n <- nrow(d)
rssAll <- sum(residuals(lm(y ~ x, data = d))^2)
fz <- function(count, r) log((1 + r) / (1 - r)) * sqrt(count - 3) / 2
for (i in seq_len(p[5]) - 1) {
  bp <- p[3] + i * p[4]
  s1 <- d[d$x <= bp, ]
  s2 <- d[d$x > bp, ]
  n1 <- nrow(s1)
  n2 <- nrow(s2)
  if (n1 <= 3 || n2 <= 3) {
    cat("NA\n")
    next
  }
  c1 <- unname(coef(lm(y ~ x, data = s1)))
  c2 <- unname(coef(lm(y ~ x, data = s2)))
  r1 <- cor(s1$x, s1$y)
  r2 <- cor(s2$x, s2$y)
  rss1 <- sum(residuals(lm(y ~ x, data = s1))^2)
  rss2 <- sum(residuals(lm(y ~ x, data = s2))^2)
  brk <- (max(s1$x) + min(s2$x)) / 2
  diff <- (c2[1] + c2[2] * brk) - (c1[1] + c1[2] * brk)
  common <- (c2[1] - c1[1]) / (c1[2] - c2[2])
  u <- (fz(n2, r2) - fz(n1, r1)) / sqrt(1 / (n2 - 3) + 1 / (n1 - 3))
  f <- rssAll / (rss1 + rss2)
  cat(sprintf("%.17g", c(brk, n1, n2, c1, c2, r1, r2, rss1, rss2, diff, common, u, pt(u, 5000), f,
                         pf(f, n - 1, n - 1), rssAll)), "\n")
}
