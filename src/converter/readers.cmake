# Reading sources: target_sources(quorvel_core PRIVATE ...)
