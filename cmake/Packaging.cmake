# Packaging (CPack).
