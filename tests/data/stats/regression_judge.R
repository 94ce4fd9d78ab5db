# The least-squares polynomial of the points in a file ("x y" per line) by R's lm on raw powers.
# Prints the coefficients c0 .. cd on one line, then R squared, Pearson's r and pt(t, n - 2) of r.
args <- commandArgs(trailingOnly = TRUE)
d <- read.table(args[1], col.names = c("x", "y"))
degree <- as.integer(args[2])
fit <- lm(y ~ poly(x, degree, raw = TRUE), data = d)
r <- cor(d$x, d$y)
n <- nrow(d)
t <- r * sqrt(n - 2) / sqrt(1 - r^2)
cat(sprintf("%.17g", unname(coef(fit))), "\n")
cat(sprintf("%.17g", c(summary(fit)$r.squared, r, pt(t, n - 2))), "\n")
