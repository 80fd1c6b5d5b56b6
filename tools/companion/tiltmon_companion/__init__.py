"""The PC companion of the tilt monitor: reads the record a device sends or
stores, checks it and writes it out as CSV, JSON or a plot."""
