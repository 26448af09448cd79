# Hardening flags for every target: filled in below.
