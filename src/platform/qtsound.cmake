# (filled in as the pieces land)
