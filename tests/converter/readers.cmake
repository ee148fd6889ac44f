# Reader tests
