// Placeholder translation unit for a folder with no sources yet.
