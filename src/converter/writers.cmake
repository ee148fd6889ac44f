# Pipeline, writing and the component: target_sources(quorvel_core PRIVATE ...) and Quorvel.so
