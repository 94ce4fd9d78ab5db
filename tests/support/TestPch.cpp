// The precompiled test headers are built with this file.
