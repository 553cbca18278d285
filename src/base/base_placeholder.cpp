// The base store module; its sources are added as they are written.
