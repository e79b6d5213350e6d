// The text system: attributed strings, RTF and RTFD.
