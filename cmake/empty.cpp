// Placeholder translation unit for a target whose sources are headers only.
