/* Banco de exemplo do back-office Borvan: as tabelas e colunas que o
   BorvanService lê, com tipos como os do sistema de retaguarda.
   Rodado por scripts/criar-banco-exemplo.sh num banco recém-criado
   (isql-fb -ch UTF8, charset padrão UTF8). */

/* Cada inclusão ou alteração recebe um COD_ATUALIZACAO novo e maior que
   todos os anteriores, como a retaguarda faz: um só gerador para todas
   as tabelas basta para que os valores cresçam por empresa e tabela. */
create sequence GEN_COD_ATUALIZACAO;

/* Empresas e cidades da retaguarda (o serviço não as lê; dão nome aos
   números que as outras tabelas usam). */
create table EMPRESAS (
  EMPRESA        smallint not null,
  RAZAO_SOCIAL   varchar(60) not null,
  NOME_FANTASIA  varchar(60),
  CNPJ           varchar(18),
  constraint PK_EMPRESAS primary key (EMPRESA)
);

create table CIDADES (
  CID_CODIGO  integer not null,
  CID_NOME    varchar(60) not null,
  UF          char(2) not null,
  COD_IBGE    integer,
  constraint PK_CIDADES primary key (CID_CODIGO)
);

/* Adesão às nuvens: uma linha por empresa inscrita. */
create table QUENDA (
  EMPRESA     smallint not null,
  GRUPO_ID    varchar(40),
  EMPRESA_ID  varchar(40),
  constraint PK_QUENDA primary key (EMPRESA)
);

create table LUMIO (
  EMPRESA     smallint not null,
  EMPRESA_ID  varchar(40),
  constraint PK_LUMIO primary key (EMPRESA)
);

create table REPRESENTANTES (
  EMPRESA          smallint not null,
  REP_CODIGO       integer not null,
  REP_NOME         varchar(60),
  EMAIL            varchar(100),
  INATIVO          char(1),
  COD_ATUALIZACAO  integer,
  constraint PK_REPRESENTANTES primary key (EMPRESA, REP_CODIGO)
);

create table CLIENTES (
  EMPRESA             smallint not null,
  CLI_CODIGO          integer not null,
  CLI_NOME            varchar(60),
  NOME_FANTASIA       varchar(60),
  ENDERECO            varchar(60),
  NUMERO              varchar(10),
  COMPLEMENTO         varchar(40),
  BAIRRO              varchar(40),
  CEP                 char(8),
  PESSOA              char(1),
  CPF_CNPJ            varchar(18),
  RG_IE               varchar(20),
  INSC_ESTADUAL       varchar(20),
  FONE                varchar(20),
  CELULAR             varchar(20),
  LIMITE_CREDITO      numeric(15,4),
  DT_CADASTRO         date,
  DATA_ULT_COMPRA     date,
  VALOR_ULT_COMPRA    numeric(15,4),
  REP_CODIGO          integer,
  INATIVO             char(1),
  INDICADOR_PRESENCA  smallint,
  CID_CODIGO          integer,
  OBSERVACAO          blob sub_type text,
  COD_ATUALIZACAO     integer,
  constraint PK_CLIENTES primary key (EMPRESA, CLI_CODIGO)
);

/* Vários e-mails por cliente; a ordem de leitura não é garantida. */
create table CLIENTES_EMAIL (
  EMPRESA     smallint not null,
  CLI_CODIGO  integer not null,
  SEQUENCIA   smallint not null,
  EMAIL       varchar(100),
  constraint PK_CLIENTES_EMAIL primary key (EMPRESA, CLI_CODIGO, SEQUENCIA),
  constraint FK_CLIENTES_EMAIL_CLIENTES foreign key (EMPRESA, CLI_CODIGO)
    references CLIENTES (EMPRESA, CLI_CODIGO)
);

/* Sem chave estrangeira para CLIENTES: a retaguarda tem títulos de
   clientes já excluídos e títulos sem cliente. */
create table CONTAS_RECEBER (
  EMPRESA              smallint not null,
  LANCTO               integer not null,
  TITULO               integer,
  PARCELA              smallint,
  TT_CODIGO            varchar(10),
  CLI_CODIGO           integer,
  EMISSAO              date,
  VALOR                numeric(15,4),
  VENCIMENTO           date,
  VALOR_PAGO           numeric(15,4),
  DATA_PAGTO           date,
  JURO_DESCTO_COBRADO  numeric(15,4),
  STATUS               smallint,
  COD_ATUALIZACAO      integer,
  constraint PK_CONTAS_RECEBER primary key (EMPRESA, LANCTO)
);

/* STATUS: 1 = digitada, 2 = emitida, 3 = cancelada. */
create table NF_SAIDA (
  EMPRESA          smallint not null,
  NFS              integer not null,
  OPF_CODIGO       varchar(6),
  CP_CODIGO        integer,
  CLI_CODIGO       integer,
  DT_EMISSAO       date,
  TOTAL_NOTA       numeric(15,4),
  STATUS           smallint,
  COD_ATUALIZACAO  integer,
  constraint PK_NF_SAIDA primary key (EMPRESA, NFS)
);

create table PRODUTOS (
  EMPRESA                   smallint not null,
  PRO_CODIGO                integer not null,
  PRO_DESCRICAO             varchar(100),
  UNIDADE                   varchar(6),
  INATIVO                   char(1),
  ESTOQUE_DISPONIVEL        numeric(15,4),
  PRECO_VENDA               numeric(15,4),
  DESCTO_MAXIMO             numeric(15,4),
  CODIGO_BARRAS             varchar(14),
  UNIDADE_TRIBUTAVEL        varchar(6),
  CODIGO_BARRAS_TRIBUTAVEL  varchar(14),
  TIPO                      char(2),
  NCM                       char(8),
  CEST                      char(7),
  COMERCIALIZAVEL           char(1),
  ST_CODIGO                 char(3),
  PIS_CODIGO                char(3),
  COFINS_CODIGO             char(3),
  COD_ATUALIZACAO           integer,
  constraint PK_PRODUTOS primary key (EMPRESA, PRO_CODIGO)
);

create table PRODUTOS_UNIDADES_COMERCIAIS (
  EMPRESA                 smallint not null,
  PRO_CODIGO              integer not null,
  UNIDADE                 varchar(6) not null,
  FATOR                   numeric(15,4),
  CODIGO_BARRAS           varchar(14),
  PRECO                   numeric(15,4),
  PRECO_ANTERIOR          numeric(15,4),
  VENDER_EM_MULTIPLOS_DE  numeric(15,4),
  PADRAO                  char(1),
  ATIVO                   char(1),
  COD_ATUALIZACAO         integer,
  constraint PK_PRODUTOS_UNID_COMERCIAIS primary key (EMPRESA, PRO_CODIGO, UNIDADE)
);

/* Parcelas e dias são números inteiros: o serviço os lê como texto e os
   envia como números JSON. */
create table CONDICOES_PAGTO (
  EMPRESA          smallint not null,
  CP_CODIGO        integer not null,
  CP_DESCRICAO     varchar(60),
  INATIVO          char(1),
  NRO_PARCELAS     smallint,
  DIAS_PARCELA1    smallint,
  DIAS_INTERVALO   smallint,
  VEN_FP_ENTRADA   varchar(3),
  VEN_FP_DEMAIS    varchar(3),
  COD_ATUALIZACAO  integer,
  constraint PK_CONDICOES_PAGTO primary key (EMPRESA, CP_CODIGO)
);

/* ONDE_LANCAR: CX = caixa, CR = contas a receber, CC = conta corrente.
   DOC_FISCAL_COD_FORMA_PAGTO: meio de pagamento da NF-e (01, 03, 15...). */
create table FORMAS_PAGTO (
  EMPRESA                     smallint not null,
  FP_CODIGO                   varchar(3) not null,
  FP_DESCRICAO                varchar(40),
  INATIVO                     char(1),
  ONDE_LANCAR                 char(2),
  DOC_FISCAL_COD_FORMA_PAGTO  char(2),
  ORDEM                       smallint,
  COD_ATUALIZACAO             integer,
  constraint PK_FORMAS_PAGTO primary key (EMPRESA, FP_CODIGO)
);

create table OPERACOES_FISCAIS (
  EMPRESA                     smallint not null,
  OPF_CODIGO                  varchar(6) not null,
  OPF_DESCRICAO               varchar(60),
  DESCRICAO_NOTA              varchar(60),
  OPERACAO                    char(1),
  SERIE                       varchar(3),
  TIPO_DOCTO                  varchar(3),
  FINALIDADE_NFE              char(1),
  MENSAGEM                    varchar(1000),
  CFOP                        char(4),
  CFOP_FORA_ESTADO            char(4),
  CFOP_FORA_NAO_CONTRIBUINTE  char(4),
  IPI_CST                     char(2),
  ST_CODIGO                   char(3),
  PIS_CODIGO                  char(3),
  COFINS_CODIGO               char(3),
  INATIVO                     char(1),
  EH_OPERACAO_LUMIO           char(1),
  COD_ATUALIZACAO             integer,
  constraint PK_OPERACOES_FISCAIS primary key (EMPRESA, OPF_CODIGO)
);

/* Situação tributária de ICMS; TEM_REDUCAO e INATIVO são S/N. */
create table SITUACAO_TRIBUTARIA (
  EMPRESA                  smallint not null,
  ST_CODIGO                char(3) not null,
  ST_DESCRICAO             varchar(60),
  TIPO_IMPOSTO             varchar(10),
  ALIQ_DENTRO              numeric(15,4),
  ALIQ_FORA                numeric(15,4),
  PERC_REDUCAO             numeric(15,4),
  TIPO_REDUCAO             char(1),
  TEM_REDUCAO              char(1),
  ICMS_ORIGEM              char(1),
  ICMS_CST                 char(3),
  ICMS_MOD_BC              char(1),
  ICMS_MOD_BC_ST           char(1),
  ICMS_MARGEM_ST           numeric(15,4),
  ICMS_ALIQ_ST             numeric(15,4),
  ICMS_REDUCAO_BC_ST       numeric(15,4),
  CFOP_DENTRO              char(4),
  ICMS_CST_FORA            char(3),
  ICMS_MOD_BC_FORA         char(1),
  ICMS_MOD_BC_ST_FORA      char(1),
  ICMS_MARGEM_ST_FORA      numeric(15,4),
  ICMS_ALIQ_ST_FORA        numeric(15,4),
  ICMS_REDUCAO_BC_ST_FORA  numeric(15,4),
  PERC_REDUCAO_FORA        numeric(15,4),
  CFOP_FORA                char(4),
  INATIVO                  char(1),
  COD_ATUALIZACAO          integer,
  constraint PK_SITUACAO_TRIBUTARIA primary key (EMPRESA, ST_CODIGO)
);

/* MODO_CALCULO: P = percentual, V = valor por unidade. */
create table SITUACAO_TRIBUTARIA_PIS (
  EMPRESA             smallint not null,
  PIS_CODIGO          char(3) not null,
  PIS_DESCRICAO       varchar(60),
  PIS_CST             char(2),
  PIS_MODO_CALCULO    char(1),
  PIS_ALIQUOTA_VALOR  numeric(15,4),
  COD_ATUALIZACAO     integer,
  constraint PK_SITUACAO_TRIBUTARIA_PIS primary key (EMPRESA, PIS_CODIGO)
);

create table SITUACAO_TRIBUTARIA_COFINS (
  EMPRESA                smallint not null,
  COFINS_CODIGO          char(3) not null,
  COFINS_DESCRICAO       varchar(60),
  COFINS_CST             char(2),
  COFINS_MODO_CALCULO    char(1),
  COFINS_ALIQUOTA_VALOR  numeric(15,4),
  COD_ATUALIZACAO        integer,
  constraint PK_SITUACAO_TRIBUTARIA_COFINS primary key (EMPRESA, COFINS_CODIGO)
);

/* Carga tributária aproximada (IBPT) por NCM, em percentual. */
create table NCM_IBPT (
  EMPRESA                   smallint not null,
  NCM                       char(8) not null,
  IBPT_ALIQUOTA_NACIONAL    numeric(15,4),
  IBPT_ALIQUOTA_IMPORTACAO  numeric(15,4),
  IBPT_ALIQUOTA_ESTADUAL    numeric(15,4),
  IBPT_ALIQUOTA_MUNICIPAL   numeric(15,4),
  COD_ATUALIZACAO           integer,
  constraint PK_NCM_IBPT primary key (EMPRESA, NCM)
);

/* Opções do pedido de venda, uma linha por empresa. */
create table OPCOES (
  EMPRESA             smallint not null,
  CLI_COD_CONSUMIDOR  integer,
  VEN_FP_ENTRADA      varchar(3),
  VEN_FP_DEMAIS       varchar(3),
  constraint PK_OPCOES primary key (EMPRESA)
);

/* O serviço pergunta a cada ciclo pelo maior COD_ATUALIZACAO da empresa
   e lê as linhas acima dele em ordem. */
create index IX_CLIENTES_ATU on CLIENTES (EMPRESA, COD_ATUALIZACAO);
create index IX_CONTAS_RECEBER_ATU on CONTAS_RECEBER (EMPRESA, COD_ATUALIZACAO);
create index IX_NF_SAIDA_ATU on NF_SAIDA (EMPRESA, COD_ATUALIZACAO);
create index IX_PRODUTOS_ATU on PRODUTOS (EMPRESA, COD_ATUALIZACAO);
create index IX_PRODUTOS_UNID_COMERC_ATU on PRODUTOS_UNIDADES_COMERCIAIS (EMPRESA, COD_ATUALIZACAO);
create index IX_CONDICOES_PAGTO_ATU on CONDICOES_PAGTO (EMPRESA, COD_ATUALIZACAO);
create index IX_FORMAS_PAGTO_ATU on FORMAS_PAGTO (EMPRESA, COD_ATUALIZACAO);
create index IX_OPERACOES_FISCAIS_ATU on OPERACOES_FISCAIS (EMPRESA, COD_ATUALIZACAO);
create index IX_REPRESENTANTES_ATU on REPRESENTANTES (EMPRESA, COD_ATUALIZACAO);
create index IX_SITUACAO_TRIBUTARIA_ATU on SITUACAO_TRIBUTARIA (EMPRESA, COD_ATUALIZACAO);
create index IX_SIT_TRIB_PIS_ATU on SITUACAO_TRIBUTARIA_PIS (EMPRESA, COD_ATUALIZACAO);
create index IX_SIT_TRIB_COFINS_ATU on SITUACAO_TRIBUTARIA_COFINS (EMPRESA, COD_ATUALIZACAO);
create index IX_NCM_IBPT_ATU on NCM_IBPT (EMPRESA, COD_ATUALIZACAO);

set term ^ ;

create trigger TG_ATU_CLIENTES for CLIENTES
active before insert or update position 0
as
begin
  new.COD_ATUALIZACAO = next value for GEN_COD_ATUALIZACAO;
end^

/* O e-mail vai junto com o cliente: mexer nos e-mails é mexer no cliente,
   para que a troca chegue à nuvem. */
create trigger TG_ATU_CLIENTES_EMAIL for CLIENTES_EMAIL
active after insert or update or delete position 0
as
begin
  if (deleting) then
    update CLIENTES set COD_ATUALIZACAO = null
     where EMPRESA = old.EMPRESA and CLI_CODIGO = old.CLI_CODIGO;
  else
    update CLIENTES set COD_ATUALIZACAO = null
     where EMPRESA = new.EMPRESA and CLI_CODIGO = new.CLI_CODIGO;
end^

create trigger TG_ATU_CONTAS_RECEBER for CONTAS_RECEBER
active before insert or update position 0
as
begin
  new.COD_ATUALIZACAO = next value for GEN_COD_ATUALIZACAO;
end^

create trigger TG_ATU_NF_SAIDA for NF_SAIDA
active before insert or update position 0
as
begin
  new.COD_ATUALIZACAO = next value for GEN_COD_ATUALIZACAO;
end^

create trigger TG_ATU_PRODUTOS for PRODUTOS
active before insert or update position 0
as
begin
  new.COD_ATUALIZACAO = next value for GEN_COD_ATUALIZACAO;
end^

create trigger TG_ATU_PRODUTOS_UNID_COMERC for PRODUTOS_UNIDADES_COMERCIAIS
active before insert or update position 0
as
begin
  new.COD_ATUALIZACAO = next value for GEN_COD_ATUALIZACAO;
end^

create trigger TG_ATU_CONDICOES_PAGTO for CONDICOES_PAGTO
active before insert or update position 0
as
begin
  new.COD_ATUALIZACAO = next value for GEN_COD_ATUALIZACAO;
end^

create trigger TG_ATU_FORMAS_PAGTO for FORMAS_PAGTO
active before insert or update position 0
as
begin
  new.COD_ATUALIZACAO = next value for GEN_COD_ATUALIZACAO;
end^

create trigger TG_ATU_OPERACOES_FISCAIS for OPERACOES_FISCAIS
active before insert or update position 0
as
begin
  new.COD_ATUALIZACAO = next value for GEN_COD_ATUALIZACAO;
end^

create trigger TG_ATU_REPRESENTANTES for REPRESENTANTES
active before insert or update position 0
as
begin
  new.COD_ATUALIZACAO = next value for GEN_COD_ATUALIZACAO;
end^

create trigger TG_ATU_SITUACAO_TRIBUTARIA for SITUACAO_TRIBUTARIA
active before insert or update position 0
as
begin
  new.COD_ATUALIZACAO = next value for GEN_COD_ATUALIZACAO;
end^

create trigger TG_ATU_SIT_TRIB_PIS for SITUACAO_TRIBUTARIA_PIS
active before insert or update position 0
as
begin
  new.COD_ATUALIZACAO = next value for GEN_COD_ATUALIZACAO;
end^

create trigger TG_ATU_SIT_TRIB_COFINS for SITUACAO_TRIBUTARIA_COFINS
active before insert or update position 0
as
begin
  new.COD_ATUALIZACAO = next value for GEN_COD_ATUALIZACAO;
end^

create trigger TG_ATU_NCM_IBPT for NCM_IBPT
active before insert or update position 0
as
begin
  new.COD_ATUALIZACAO = next value for GEN_COD_ATUALIZACAO;
end^

set term ; ^

commit;
