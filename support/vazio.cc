// Placeholder so a library without sources yet still builds.
