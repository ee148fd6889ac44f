# Pipeline, writer and component tests
