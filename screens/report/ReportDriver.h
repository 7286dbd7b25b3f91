#pragma once
// The print driver of the programming report: prints the sections chosen in ReportSelection, in
// section order, as one print job; each section after the first starts on a new page.

class TReportCanvas;

// Prints on the canvas: begin the document, the selected sections, end the document. A failure
// abandons the document and raises (EReportError for the job itself).
void ImprimeRelatorio(TReportCanvas& canvas);
