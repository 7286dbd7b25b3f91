#pragma once
// The printers of the seventeen report sections, in report order. Each prints its whole section
// from the top of the current page, starting new pages itself where the section takes more than
// one (sections 1, 3 and 14 always take two; 12 and 17 as many as their contents need).
//
// Every value is read from the programming in memory (ProgrammingHeader below offset 832,
// ProgrammingImage from 832), so the report shows every edit, saved or not.

#include "screens/report/ReportPage.h"

// Extension, trunk and group tables.
void ImprimeCategorias(TReportPage& page);      // 1: day categories, then night categories
void ImprimePlanoNumeracao(TReportPage& page);  // 2
void ImprimeRotasVias(TReportPage& page);       // 3: routes of the trunks, then ImprimeVias
void ImprimeVias(TReportPage& page);            //    the trunk records
void ImprimeAgendaGeral(TReportPage& page);     // 4
void ImprimeProgRamais(TReportPage& page);      // 5
void ImprimeGruposRamais(TReportPage& page);    // 6
void ImprimeChefeSecretaria(TReportPage& page); // 7

// Value lists, prefixes, schedules and terminal keys.
void ImprimeTemporizacoes(TReportPage& page);       // 8
void ImprimeEmergencia(TReportPage& page);          // 9
void ImprimeAtendedores(TReportPage& page);         // 10
void ImprimeDiversas(TReportPage& page);            // 11
void ImprimeBloqueioPrefixos(TReportPage& page);    // 12
void ImprimeFeriados(TReportPage& page);            // 13
void ImprimeServicosAutomaticos(TReportPage& page); // 14: ImprimeNoturno, then ImprimeAtuacao
void ImprimeNoturno(TReportPage& page);
void ImprimeAtuacao(TReportPage& page);
void ImprimeCodigosParticulares(TReportPage& page); // 15
void ImprimeCentralizador(TReportPage& page);       // 16
void ImprimeTeclasTI(TReportPage& page);            // 17
